#pragma once

#include "appsetup.h"

#include <QApplication>

// The whole of a program: its window on the catalogue beside the executable, or exit status 1
// when start-up failed (the user has been told why).
template <typename Window> int RunProgram(int argc, char* argv[]) {
    QApplication app(argc, argv);
    SetUpApplication(app);
    Window window(QCoreApplication::applicationDirPath());
    if (!window.Form_Load())
        return 1;
    window.show();
    window.StartBackup();
    return app.exec();
}
