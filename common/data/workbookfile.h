#pragma once

#include "csvformat.h"

#include <QByteArray>
#include <QList>

// Reading the cells of an Office Open XML workbook, as any spreadsheet saves one.
namespace workbookfile {

// Whether the bytes begin as a zip archive does, as every workbook does.
bool IsArchive(const QByteArray& bytes);

// The first sheet's rows that hold anything, each cell's value as text (a number as the file
// writes it), empty cells in between kept as empty fields and a record's line its row number.
// A cell holding an error value makes its row's fault. Returns what makes the file unreadable, in
// Japanese, or nothing.
QString ReadFirstSheet(const QByteArray& workbook, QList<csvformat::Record>& rows);

} // namespace workbookfile
