#pragma once

#include "database.h"
#include "fulllists.h"
#include "tracktable.h"

#include <QStringList>
#include <future>
#include <memory>

// A catalogue as a window works on it: open, its writes logged while it is open, and the full
// lists it keeps.
struct WindowCatalogue {
    std::unique_ptr<Database> db;
    std::unique_ptr<FullLists> lists;
};
WindowCatalogue OpenWindowCatalogue(const QString& path, Program program);

// The catalogue opened, and the lists the window starts with read, on a thread of their own while
// the program builds its window and shows the splash: at a million tracks the reading alone takes
// longer than all the rest of the start-up. The lists are kept as the window would keep them, so
// a write of another program in between is seen as after any read.
class CatalogueAhead {
public:
    // Ended before it is taken, it waits for its thread and closes the catalogue.
    CatalogueAhead(QString path, Program program, const QStringList& lists);

    const QString& Path() const { return path_; }
    // Waits for the thread. Throws what the opening threw, as OpenWindowCatalogue would have.
    WindowCatalogue Take();

private:
    QString path_;
    std::future<WindowCatalogue> opened_;
};
