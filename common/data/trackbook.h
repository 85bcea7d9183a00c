#pragma once

#include "database.h"
#include "trackcsv.h"
#include "tracktable.h"

#include <QByteArray>
#include <QList>

// Tracks to and from Excel workbooks (.xlsx): a spreadsheet opens and saves them again without
// changing a value, as it does not with CSV, where it reads "007" as 7 and "=1+1" as a formula.
namespace trackbook {

enum class Format { CsvUtf8, CsvCp932, Workbook };

// Every track as trackcsv::Export lists them, on one sheet: every name and title a text cell,
// track numbers numbers. Throws DbError when the catalogue cannot be read, std::runtime_error
// (in Japanese, naming the track) when a value cannot be held by the file.
QByteArray Export(Database& db, Program program, Format format);

// Appends the tracks of a CSV file or of a workbook's first sheet, told apart by the bytes, as
// trackcsv::Import does; a workbook problem's line is the sheet's row.
QList<trackcsv::Problem> Import(Database& db, Program program, const QByteArray& bytes,
                                qint64* added = nullptr);

} // namespace trackbook
