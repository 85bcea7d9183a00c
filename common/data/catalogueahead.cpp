#include "catalogueahead.h"

#include <utility>

WindowCatalogue OpenWindowCatalogue(const QString& path, Program program) {
    WindowCatalogue opened;
    opened.db = tracktable::OpenCatalogue(path, program);
    opened.db->LogWritesWhileOpen();
    opened.lists = std::make_unique<FullLists>(*opened.db, program);
    return opened;
}

CatalogueAhead::CatalogueAhead(QString path, Program program, const QStringList& lists)
    : path_(std::move(path)) {
    opened_ = std::async(std::launch::async, [path = path_, program, lists] {
        WindowCatalogue opened = OpenWindowCatalogue(path, program);
        opened.lists->ReadAtOnce(lists);
        return opened;
    });
}

WindowCatalogue CatalogueAhead::Take() {
    return opened_.get();
}
