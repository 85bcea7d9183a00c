#pragma once

#include "database.h"

#include <QString>
#include <QStringList>
#include <memory>

enum class Program { Caldrin, Trensoly };

namespace tracktable {

inline const QString kTable = QStringLiteral("データレコード");

// "caldrin" or "trensoly", as the program is called on the command line.
QString ProgramName(Program program);
// "caldrin.mdb" or "trensoly.mdb".
QString FileName(Program program);
// The catalogue beside the program: the folder as it is, so the path names a real folder on a
// case-sensitive file system.
QString FilePath(const QString& programFolder, Program program);
// The columns a program writes, in the order it writes them.
QStringList UserColumns(Program program);

// Opens a program's catalogue and makes sure it holds the track table with every column the
// program uses. The message of the DbError names the file and what is wrong with it.
std::unique_ptr<Database> OpenCatalogue(const QString& path, Program program,
                                        Database::Access access = Database::Access::ReadWrite);

// Why the user could not store tracks in the catalogue (its folder or the file cannot be
// written), naming the folder and what to do; empty when nothing stands in the way.
QString WriteProblem(const QString& path);

// Makes the table and its indexes in a new, empty database.
void CreateTrackTable(Database& db, Program program);

} // namespace tracktable
