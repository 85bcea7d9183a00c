#pragma once

#include "appsetup.h"
#include "catalogueahead.h"

#include <QApplication>
#include <memory>

// The whole of a program: its window on the catalogue beside the executable, or exit status 1
// when start-up failed (the user has been told why).
template <typename Window> int RunProgram(int argc, char* argv[]) {
    // Begun before Qt is set up: on a large catalogue the lists take longer to read than Qt and
    // the window take to build, and neither needs the other.
    auto ahead =
        std::make_unique<CatalogueAhead>(tracktable::FilePath(ExecutableFolder(), Window::kProgram),
                                         Window::kProgram, Window::StartUpLists());
    QApplication app(argc, argv);
    SetUpApplication(app);
    Window window(QCoreApplication::applicationDirPath());
    window.TakeCatalogueAhead(std::move(ahead));
    if (!window.Form_Load())
        return 1;
    window.show();
    window.StartBackup();
    return app.exec();
}
