// A disc's tracks added at once from the titles other tools write.
#include "cataloguewindow.h"

void CatalogueWindow::OpenImport() {
    if (!dbTrack)
        return;
    if (!import_) {
        import_ = new ImportDialog(
            this, program_, [this](const QList<trackadd::NewTrack>& tracks, const QString& filed) {
                return AddImported(tracks, filed);
            });
        import_->setAttribute(Qt::WA_DeleteOnClose);
        // The window's lists and tabs change under it once the tracks are added.
        import_->setWindowModality(Qt::WindowModal);
    }
    import_->show();
    import_->raise();
    import_->activateWindow();
}

bool CatalogueWindow::AddImported(const QList<trackadd::NewTrack>& tracks,
                                  const QString& filedUnder) {
    bool added = false;
    Guarded([&] {
        const QList<writehistory::RowChange> rows = trackadd::Add(*dbTrack, program_, tracks);
        // Committed: whatever fails from here on, the tracks are in and the dialog has done.
        added = true;
        const QStringList columns = tracktable::UserColumns(program_);
        for (const writehistory::RowChange& row : rows) {
            fullLists_->Written(columns, {}, row.after);
            TellFind(row.id, row.after);
        }
        history_.Record({QStringLiteral("取り込み"),
                         QStringLiteral("%1 の %2 曲").arg(filedUnder).arg(rows.size()), rows});
        ShowUndoState();
        // The new album or disc on the first tab, its first track current, ready to print.
        RefreshAfterUndo();
        ShowFoundTrack(FoundRow(rows.first().id, rows.first().after));
    });
    return added;
}
