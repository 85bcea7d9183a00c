#pragma once

#include "appsetup.h"
#include "catalogueahead.h"

#include <QApplication>
#include <memory>

// The whole of a program: its window on the catalogue beside the executable, or exit status 1
// when start-up failed (the user has been told why).
template <typename Window> int RunProgram(int argc, char* argv[]) {
    // Not before: without a display the application ends the process outright, and the
    // catalogue would be left in the journal opening it chose.
    QApplication app(argc, argv);
    // On a large catalogue the lists take longer to read than the window takes to build, and
    // neither needs the other.
    auto ahead = std::make_unique<CatalogueAhead>(
        tracktable::FilePath(QCoreApplication::applicationDirPath(), Window::kProgram),
        Window::kProgram, Window::StartUpLists());
    SetUpApplication(app);
    Window window(QCoreApplication::applicationDirPath());
    window.TakeCatalogueAhead(std::move(ahead));
    if (!window.Form_Load())
        return 1;
    window.show();
    window.StartBackup();
    return app.exec();
}
