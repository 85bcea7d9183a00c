#include "trackbook.h"

#include "csvformat.h"
#include "hasquote.h"
#include "numbertext.h"
#include "recordset.h"
#include "workbookfile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>
#include <xlsxwriter.h>

namespace trackbook {

namespace {

[[noreturn]] void Refuse(const QString& reason) {
    throw std::runtime_error(reason.toStdString());
}

// Closes the workbook on every path, so its temporary files go with the folder.
struct BookCloser {
    void operator()(lxw_workbook* book) const { workbook_close(book); }
};
using Book = std::unique_ptr<lxw_workbook, BookCloser>;

// The file writes characters XML cannot hold as _xHHHH_, which the library does for us; a text
// that holds such a sequence itself has its underscore written as one, _x005F_, or a spreadsheet
// would read it as the character.
QString EscapedUnderscores(QString text) {
    // Matching every cell against the pattern took a twentieth of a large export.
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression sequence(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
    return text.replace(sequence, QStringLiteral("_x005F_"));
}

// The library writes a number with 16 significant digits, and a cell holds a double: a number that
// would not come back the same way (0.30000000000000004, 2^53 + 1) goes as its text instead,
// which the import reads back as the very number.
bool KeptByNumberCell(const QVariant& value) {
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
        return false;
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return value.toLongLong() >= -(qint64(1) << 53) && value.toLongLong() <= (qint64(1) << 53);
    const double number = value.toDouble();
    return std::strtod(QByteArray::number(number, 'G', 16).constData(), nullptr) == number;
}

void WriteValue(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const QVariant& value,
                bool isNumber) {
    if (value.isNull())
        return;
    if (isNumber && KeptByNumberCell(value))
        worksheet_write_number(sheet, row, column, value.toDouble(), nullptr);
    else if (const QString text = ValueToText(value); HasNul(text))
        Refuse(QStringLiteral("NUL 文字はブックに書けません。"));
    else if (const lxw_error error = worksheet_write_string(
                 sheet, row, column, EscapedUnderscores(text).toUtf8().constData(), nullptr);
             error != LXW_NO_ERROR) {
        char cell[LXW_MAX_CELL_NAME_LENGTH];
        lxw_rowcol_to_cell(cell, row, column);
        Refuse(
            QStringLiteral("セル %1: %2")
                .arg(QString::fromLatin1(cell),
                     error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED
                         ? QStringLiteral("1 つのセルに入る 32,767 文字を超えています (%L1 文字)。")
                               .arg(text.size())
                         : QString::fromUtf8(lxw_strerror(error))));
    }
}

// A stored text goes to the library as SQLite hands it out, as the file will hold it; whatever a
// round trip through QString would change, or the cell must escape or refuse, goes the long way.
void WriteCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, sqlite3_stmt* stored,
               bool isNumber) {
    const int type = sqlite3_column_type(stored, int(column));
    if (type == SQLITE_TEXT || (type == SQLITE_INTEGER && !isNumber)) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stored, int(column)));
        const QByteArrayView bytes(text, sqlite3_column_bytes(stored, int(column)));
        if (bytes.isValidUtf8() && !bytes.contains('\0') && !bytes.contains("_x") &&
            worksheet_write_string(sheet, row, column, text, nullptr) == LXW_NO_ERROR)
            return;
    }
    WriteValue(sheet, row, column, ColumnValue(stored, int(column)), isNumber);
}

// The library's scratch files for a workbook, in a folder named after the process; one whose
// process is gone was left by an export killed outright, and nobody else will remove it.
const QString kScratchPrefix = QStringLiteral("mdcat-workbook-");

void RemoveDeadScratch() {
    const QDir temp(QDir::tempPath());
    static const QRegularExpression scratch(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(kScratchPrefix) + QStringLiteral("(\\d+)-[A-Za-z0-9]{6}")));
    for (const QFileInfo& found : temp.entryInfoList({kScratchPrefix + "*"}, QDir::Dirs)) {
        const QRegularExpressionMatch match = scratch.match(found.fileName());
        if (!match.hasMatch() || found.isSymLink() || found.ownerId() != ::getuid())
            continue;
        const pid_t pid = pid_t(match.captured(1).toLongLong());
        if (::kill(pid, 0) != 0 && errno == ESRCH)
            QDir(found.absoluteFilePath()).removeRecursively();
    }
}

QByteArray WriteWorkbook(Database& db, Program program) {
    RemoveDeadScratch();
    QTemporaryDir folder(QDir::tempPath() + QLatin1Char('/') + kScratchPrefix +
                         QString::number(::getpid()) + QStringLiteral("-XXXXXX"));
    if (!folder.isValid())
        Refuse(QStringLiteral("一時フォルダーを作れません: %1").arg(folder.errorString()));
    const QString path = folder.filePath(QStringLiteral("tracks.xlsx"));
    QByteArray scratch = QFile::encodeName(folder.path());
    lxw_workbook_options options{};
    // Rows go to the file as they are written, so a million tracks take no more memory than one.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratch.data();
    Book book(workbook_new_opt(QFile::encodeName(path).constData(), &options));
    lxw_worksheet* sheet = book ? workbook_add_worksheet(book.get(), "曲") : nullptr;
    if (!sheet)
        Refuse(QStringLiteral("ブックを作れません。"));
    const QStringList columns = tracktable::UserColumns(program);
    const auto numberColumn = lxw_col_t(columns.indexOf(QStringLiteral("曲番")));
    worksheet_set_column(sheet, 0, lxw_col_t(columns.size() - 1), 24, nullptr);
    worksheet_set_column(sheet, numberColumn, numberColumn, 8, nullptr);
    lxw_format* heading = workbook_add_format(book.get());
    format_set_bold(heading);
    for (int i = 0; i < columns.size(); ++i)
        worksheet_write_string(sheet, 0, lxw_col_t(i), columns[i].toUtf8().constData(), heading);
    worksheet_freeze_panes(sheet, 1, 0);
    qint64 track = 0;
    trackcsv::ForEachRow(db, program, [&](sqlite3_stmt* stored) {
        if (++track >= LXW_ROW_MAX)
            Refuse(QStringLiteral("曲が %1 曲を超え、ワークシートに入りません。CSV で書き出して"
                                  "ください。")
                       .arg(LXW_ROW_MAX - 1));
        try {
            for (int i = 0; i < columns.size(); ++i)
                WriteCell(sheet, lxw_row_t(track), lxw_col_t(i), stored, i == numberColumn);
        } catch (const std::runtime_error& error) {
            Refuse(trackcsv::DescribeTrack(program, track,
                                           trackcsv::RowValues(stored, int(columns.size()))) +
                   QStringLiteral(": ") + QString::fromUtf8(error.what()));
        }
        return true;
    });
    if (const lxw_error error = workbook_close(book.release()); error != LXW_NO_ERROR)
        Refuse(
            QStringLiteral("ブックを書けません: %1").arg(QString::fromUtf8(lxw_strerror(error))));
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (bytes.isEmpty() || file.error() != QFileDevice::NoError)
        Refuse(QStringLiteral("ブックを書けません: %1").arg(file.errorString()));
    return bytes;
}

} // namespace

QByteArray Export(Database& db, Program program, Format format) {
    if (format == Format::Workbook)
        return WriteWorkbook(db, program);
    return trackcsv::Export(db, program,
                            format == Format::CsvCp932 ? trackcsv::Encoding::Cp932
                                                       : trackcsv::Encoding::Utf8);
}

QList<trackcsv::Problem> Import(Database& db, Program program, const QByteArray& bytes,
                                qint64* added) {
    if (!workbookfile::IsArchive(bytes))
        return trackcsv::Import(db, program, bytes, added);
    workbookfile::FirstSheet sheet(bytes);
    if (!sheet.Fault().isEmpty()) {
        if (added)
            *added = 0;
        return {trackcsv::Problem{1, sheet.Fault()}};
    }
    // A sheet leaves out the empty cells at the end of a row, where a CSV file has empty fields.
    std::optional<qsizetype> width;
    return trackcsv::ImportRecords(
        db, program,
        [&](csvformat::Record& record) {
            if (!sheet.Next(record))
                return false;
            if (!width)
                width = record.fields.size();
            while (record.fields.size() < *width)
                record.fields << QString();
            return true;
        },
        added);
}

} // namespace trackbook
