#pragma once

#include <QDateTime>
#include <QString>

// Automatic backups of a catalogue, in the folder "backup" beside it.
namespace backup {

inline constexpr int kKept = 10;

// Writes a consistent copy of the catalogue (SQLite's online backup, from a connection of its
// own) to backup/ beside it, named by the date and time, when the catalogue changed since the
// newest backup there; then removes all but the newest kKept. Made to run on a thread of its
// own while the program works on the catalogue. Returns what went wrong, for the user and
// naming the folder, or nothing.
QString BackUpIfChanged(const QString& catalogue,
                        const QDateTime& now = QDateTime::currentDateTime());

} // namespace backup
