#pragma once

#include "database.h"
#include "tracktable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

namespace csvformat {
struct Record;
}

// Tracks to and from CSV files (RFC 4180), as spreadsheets and other catalogue tools write them.
namespace trackcsv {

enum class Encoding { Utf8, Cp932 };

// Every track of the catalogue: a header row of the program's column names, then one row per
// track in the order the tracks were entered, track numbers written as the window shows them.
// Lines end in CRLF; UTF-8 has no byte order mark.
// Throws DbError when the catalogue cannot be read, std::runtime_error (message in Japanese,
// naming the track) when a text cannot be written in the encoding.
QByteArray Export(Database& db, Program program, Encoding encoding);
// The same handed to write a piece at a time, so that a large file is never held whole. Stops at
// the first piece write refuses, and returns whether every piece was taken.
using Sink = std::function<bool(QByteArrayView piece)>;
bool ExportTo(Database& db, Program program, Encoding encoding, const Sink& write);

struct Problem {
    qint64 line;    // line of the file where the row starts, the header being line 1
    QString reason; // in Japanese, fit for the user
};

// Appends the tracks of a CSV file (UTF-8 or CP932, told apart by the bytes) in one transaction:
// all of them, or none when any row is bad. Columns are found by their names in the header, in
// any order; columns the program does not know are left out. A row is bad when it holds what the
// window would refuse to store. Returns every bad row, empty when the tracks were added; *added
// gets their number. Throws DbError when the write fails; nothing is then written.
QList<Problem> Import(Database& db, Program program, const QByteArray& csv,
                      qint64* added = nullptr);

// As Import, from records of any file that holds rows of texts; next gives the header first and
// is false after the last record.
using NextRecord = std::function<bool(csvformat::Record&)>;
QList<Problem> ImportRecords(Database& db, Program program, const NextRecord& next,
                             qint64* added = nullptr);

// What makes the values, in the program's columns, a track the window would refuse to store;
// number gets the track number. Blanks::Allowed lets every text but the number be empty, as
// catalogues from elsewhere hold them; the window's own entry refuses them.
enum class Blanks { Allowed, Refused };
QStringList CheckValues(const QStringList& columns, const QStringList& values, Blanks blanks,
                        QVariant& number);

// Every track's stored values in the program's columns, in the order the tracks were entered;
// track counts from 1.
using TrackVisitor = std::function<void(qint64 track, const QList<QVariant>& values)>;
void ForEachTrack(Database& db, Program program, const TrackVisitor& visit);
// The same, a row of the program's columns as SQLite steps to it, for a writer that takes the
// stored bytes as they are; visit returns false to stop.
void ForEachRow(Database& db, Program program, const std::function<bool(sqlite3_stmt*)>& visit);
// A row's values as ForEachTrack hands them.
QList<QVariant> RowValues(sqlite3_stmt* row, int columns);
// "3 曲目 (アーチスト名「…」 …)": a track as the user finds it again in the file.
QString DescribeTrack(Program program, qint64 track, const QList<QVariant>& values);

} // namespace trackcsv
