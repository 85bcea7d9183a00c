#pragma once

#include "database.h"
#include "trackcsv.h"
#include "tracktable.h"
#include "writehistory.h"

#include <QList>
#include <QStringList>

// A disc's tracks added at once under the rules of the window's own entry: every field filled,
// no quote in a name the statements splice, no NUL, a track number that is a number.
namespace trackadd {

// A track in the program's columns, the number as typed; line is where its source gives it.
struct NewTrack {
    qint64 line = 0;
    QStringList values;
};

// Every reason any of the tracks cannot be added, each with its track's line.
QList<trackcsv::Problem> Check(Program program, const QList<NewTrack>& tracks);

// Adds every track in one transaction once Check finds nothing; each row as stored, for undo.
// Throws DbError when the write fails, with nothing written.
QList<writehistory::RowChange> Add(Database& db, Program program, const QList<NewTrack>& tracks);

} // namespace trackadd
