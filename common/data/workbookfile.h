#pragma once

#include "csvformat.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <memory>

class QXmlStreamReader;

// Reading the cells of an Office Open XML workbook, as any spreadsheet saves one.
namespace workbookfile {

// Whether the bytes begin as a zip archive does, as every workbook does.
bool IsArchive(const QByteArray& bytes);

// The first sheet's rows that hold anything, read as the sheet is inflated: each cell's value as
// text (a number as the file writes it), empty cells in between kept as empty fields and a
// record's line its row number. What makes a row unreadable (a cell out of place or order, a
// formula, an error value, a shared string that is not there) is that row's fault; a sheet
// broken or cut short ends in a row whose fault says so.
class FirstSheet {
public:
    // The workbook's bytes stay the caller's, and must outlive the reader.
    explicit FirstSheet(const QByteArray& workbook);
    ~FirstSheet();
    // What makes the file unreadable as a whole, in Japanese, or nothing.
    const QString& Fault() const { return fault_; }
    // The next row holding anything; false after the last.
    bool Next(csvformat::Record& row);

private:
    struct Parts;
    void ReadCell(QXmlStreamReader& xml, csvformat::Record& row);

    std::unique_ptr<Parts> parts_;
    QString fault_;
    QString sheetName_;
    QStringList shared_;
    qint64 lastRow_ = 0;
    bool ended_ = false;
};

} // namespace workbookfile
