// Taking the window's own writes back and doing them again.
#include "cataloguewindow.h"
#include "msgbox.h"

using writehistory::Direction;

namespace {

// The name the history shows a track by: its title, as it was or is.
QString TrackTitle(const QStringList& columns, const writehistory::RowChange& row) {
    const QList<QVariant>& values = row.after.isEmpty() ? row.before : row.after;
    const qsizetype title = columns.indexOf(QStringLiteral("曲名"));
    return values.isEmpty() || title < 0 ? QString() : values[title].toString();
}

QString Described(const writehistory::Step* step) {
    return QStringLiteral("%1「%2」").arg(step->command, step->track);
}

} // namespace

void CatalogueWindow::RecordWrite(const QString& command, writehistory::RowChange row) {
    const QString track = TrackTitle(tracktable::UserColumns(program_), row);
    history_.Record({command, track, {std::move(row)}});
    ShowUndoState();
}

void CatalogueWindow::Undo() {
    Guarded([this] { TakeStep(Direction::Undo); });
}

void CatalogueWindow::Redo() {
    Guarded([this] { TakeStep(Direction::Redo); });
}

void CatalogueWindow::TakeStep(Direction direction) {
    const writehistory::Step* step = history_.Next(direction);
    if (!dbTrack || !step)
        return;
    const QStringList columns = tracktable::UserColumns(program_);
    if (!writehistory::Apply(*dbTrack, columns, *step, direction)) {
        // Taking it would overwrite or bring back what someone else decided on.
        const QString message =
            QStringLiteral("%1は、ほかの画面で変更または削除されているため、%2ません。\n"
                           "カタログは何も変更していません。")
                .arg(Described(step), direction == Direction::Undo ? QStringLiteral("元に戻せ")
                                                                   : QStringLiteral("やり直せ"));
        history_.Drop(direction);
        ShowUndoState();
        MsgBox(message, vbOKOnly, kCheckTitle);
        return;
    }
    const bool undo = direction == Direction::Undo;
    for (const writehistory::RowChange& row : step->rows) {
        fullLists_->Written(columns, undo ? row.after : row.before, undo ? row.before : row.after);
        TellFind(row.id, undo ? row.before : row.after);
    }
    // The track the step ended on, shown where a found track is; a track taken out leaves its
    // group shown, when the group still has tracks.
    const writehistory::RowChange& last = step->rows.last();
    const QList<QVariant>& now = undo ? last.before : last.after;
    const QStringList shown =
        FoundRow(last.id, now.isEmpty() ? (undo ? last.after : last.before) : now);
    history_.Taken(direction);
    ShowUndoState();
    RefreshAfterUndo();
    ShowFoundTrack(shown);
}

QStringList CatalogueWindow::FoundRow(qint64 id, const QList<QVariant>& values) {
    QStringList row{QString::number(id)};
    for (const QVariant& value : values)
        row << value.toString();
    return row;
}

void CatalogueWindow::ShowUndoState() {
    if (programTitle_.isEmpty())
        programTitle_ = windowTitle();
    QStringList state;
    if (const writehistory::Step* step = history_.Next(Direction::Undo))
        state << QStringLiteral("Ctrl+Z で%1を元に戻す").arg(Described(step));
    if (const writehistory::Step* step = history_.Next(Direction::Redo))
        state << QStringLiteral("Ctrl+Shift+Z で%1をやり直す").arg(Described(step));
    setWindowTitle(state.isEmpty()
                       ? programTitle_
                       : programTitle_ + QStringLiteral(" — ") + state.join(QStringLiteral("、")));
}
