#pragma once

#include <QDateTime>
#include <QString>

// Automatic backups of a catalogue, in the folder "backup" beside it.
namespace backup {

inline constexpr int kKept = 10;

// Writes a consistent copy of the catalogue (SQLite's online backup, from a read-only connection
// of its own) to backup/ beside it, named by the local date and time of now, e.g.
// caldrin-20261207-163012.mdb, when the catalogue changed since the newest backup there; then
// removes all but the newest kKept of its backups, and nothing else in the folder.
//
// Made to run on a thread of its own while the program adds and deletes tracks. In the log's
// journal mode, the windows' own, the copy is read from one committed state while writes go on
// beside it; in the rollback journal's it goes in small steps, so writes wait a few milliseconds
// at most, and starts over after each. A backup that fails or is
// killed half-way leaves no file under a backup's name, and the catalogue is only ever read.
//
// Returns what went wrong, in Japanese for the user and naming the folder, or nothing when the
// backup was made or none was needed.
QString BackUpIfChanged(const QString& catalogue,
                        const QDateTime& now = QDateTime::currentDateTime());

} // namespace backup
