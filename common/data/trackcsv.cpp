#include "trackcsv.h"

#include "columnname.h"
#include "csvformat.h"
#include "hasquote.h"
#include "numbertext.h"
#include "recordset.h"
#include "shiftjis.h"

#include <optional>
#include <stdexcept>

namespace trackcsv {

namespace {

using csvformat::Record;

const QString kNumber = QStringLiteral("曲番");
const QString kTitle = QStringLiteral("曲名");

// The programs splice every name but the title into statements between quotes; only the title
// and the number travel as bound values.
bool IsSpliced(const QString& column) {
    return column != kNumber && column != kTitle;
}

QString QuotedColumns(Program program) {
    return Identifiers(tracktable::UserColumns(program)).join(QLatin1Char(','));
}

struct Track {
    QStringList values; // in the order of the program's columns
    double number = 0;
};

// Every reason the record cannot be a track, or the track.
QStringList Check(const Record& record, qsizetype width, const QStringList& columns,
                  const QList<qsizetype>& at, Track& track) {
    if (!record.fault.isEmpty())
        return {record.fault};
    if (record.fields.size() != width)
        return {QStringLiteral("欄の数が見出しと違います (見出しは %1 欄、この行は %2 欄)。")
                    .arg(width)
                    .arg(record.fields.size())};
    QStringList reasons;
    track.values.clear();
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QString& value = record.fields[at[i]];
        track.values << value;
        // An empty text is what the export writes for a track whose title or name is empty,
        // as catalogues from elsewhere hold them; only the number cannot be done without.
        if (value.isEmpty() && columns[i] == kNumber)
            reasons << QStringLiteral("「%1」が空です。全て入力して下さい。").arg(columns[i]);
        else if (HasNul(value))
            reasons << QStringLiteral("「%1」に NUL 文字は使用出来ません。").arg(columns[i]);
        else if (IsSpliced(columns[i]) && HasQuote(value))
            reasons
                << QStringLiteral("「%1」にｼﾝｸﾞﾙｺｰﾃｰｼｮﾝ (') は使用出来ません。").arg(columns[i]);
        else if (columns[i] == kNumber) {
            const std::optional<double> number = ParseNumber(value);
            if (number)
                track.number = *number;
            else
                reasons << QStringLiteral("曲番は数字しか使用出来ません: %1").arg(value);
        }
    }
    return reasons;
}

// Where each of the program's columns is in the file, or what is wrong with the header.
QString MatchHeader(const Record& header, const QStringList& columns, QList<qsizetype>& at) {
    if (!header.fault.isEmpty())
        return header.fault;
    QStringList names;
    for (const QString& name : header.fields)
        names << name.trimmed();
    QStringList missing, twice;
    for (const QString& column : columns) {
        const qsizetype index = FindColumn(names, column);
        if (index < 0)
            missing << QStringLiteral("「%1」").arg(column);
        else if (FindColumn(names.mid(index + 1), column) >= 0)
            twice << QStringLiteral("「%1」").arg(column);
        at << index;
    }
    if (!missing.isEmpty())
        return QStringLiteral("列%1がありません。1 行目には列の名前 (%2) を書いてください。")
            .arg(missing.join(QString()), columns.join(QLatin1Char(',')));
    if (!twice.isEmpty())
        return QStringLiteral("列%1が 2 つ以上あります。").arg(twice.join(QString()));
    return {};
}

void BindText(Database& db, sqlite3_stmt* stmt, int index, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const int rc =
        sqlite3_bind_text(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        db.Fail(rc);
}

void Insert(Database& db, Program program, const QList<Track>& tracks) {
    const QStringList columns = tracktable::UserColumns(program);
    const StatementHandle insert =
        db.Prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?, ?)")
                       .arg(Identifier(tracktable::kTable), QuotedColumns(program)));
    sqlite3_stmt* stmt = insert.get();
    db.BeginTrans();
    try {
        for (const Track& track : tracks) {
            for (int i = 0; i < columns.size(); ++i) {
                if (columns[i] != kNumber) {
                    BindText(db, stmt, i + 1, track.values[i]);
                    continue;
                }
                const QVariant number = StoredNumber(track.number);
                const int rc = number.typeId() == QMetaType::LongLong
                                   ? sqlite3_bind_int64(stmt, i + 1, number.toLongLong())
                                   : sqlite3_bind_double(stmt, i + 1, number.toDouble());
                if (rc != SQLITE_OK)
                    db.Fail(rc);
            }
            db.WriteOneRow(stmt);
            sqlite3_reset(stmt);
        }
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
}

} // namespace

void ForEachTrack(Database& db, Program program, const TrackVisitor& visit) {
    const QStringList columns = tracktable::UserColumns(program);
    const StatementHandle select =
        db.Prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY ID")
                       .arg(QuotedColumns(program), Identifier(tracktable::kTable)));
    sqlite3_stmt* stmt = select.get();
    qint64 track = 0;
    QList<QVariant> values;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        values.clear();
        for (int i = 0; i < columns.size(); ++i)
            values << ColumnValue(stmt, i);
        visit(++track, values);
    }
    if (rc != SQLITE_DONE)
        db.Fail(rc);
}

QString DescribeTrack(Program program, qint64 track, const QList<QVariant>& values) {
    const QStringList columns = tracktable::UserColumns(program);
    QStringList described;
    for (int i = 0; i < columns.size(); ++i)
        described << QStringLiteral("%1「%2」").arg(columns[i], ValueToText(values[i]));
    return QStringLiteral("%1 曲目 (%2)").arg(track).arg(described.join(QLatin1Char(' ')));
}

QByteArray Export(Database& db, Program program, Encoding encoding) {
    csvformat::CsvWriter writer(encoding);
    writer.Add(tracktable::UserColumns(program));
    ForEachTrack(db, program, [&](qint64 track, const QList<QVariant>& values) {
        QStringList fields;
        for (const QVariant& value : values)
            fields << csvformat::CsvField(ValueToText(value));
        if (!writer.Add(fields))
            throw std::runtime_error(QStringLiteral("%1 に CP932 (Shift_JIS) で書けない文字%2"
                                                    "があります。UTF-8 で書き出してください。")
                                         .arg(DescribeTrack(program, track, values),
                                              shiftjis::FirstUnencodable(fields.join(QString())))
                                         .toStdString());
    });
    return std::move(writer).Bytes();
}

QList<Problem> Import(Database& db, Program program, const QByteArray& csv, qint64* added) {
    QList<Problem> problems;
    const QString text = csvformat::Decode(csv, problems);
    if (!problems.isEmpty()) {
        if (added)
            *added = 0;
        return problems;
    }
    csvformat::CsvReader reader(text);
    return ImportRecords(
        db, program, [&reader](Record& record) { return reader.Next(record); }, added);
}

QList<Problem> ImportRecords(Database& db, Program program, const NextRecord& next, qint64* added) {
    if (added)
        *added = 0;
    Record record;
    if (!next(record))
        return {Problem{1, QStringLiteral("見出しの行がありません。空のファイルです。")}};
    const QStringList columns = tracktable::UserColumns(program);
    QList<qsizetype> at;
    if (const QString wrong = MatchHeader(record, columns, at); !wrong.isEmpty())
        return {Problem{record.line, wrong}};
    const qsizetype width = record.fields.size();
    QList<Problem> problems;
    QList<Track> tracks;
    Track track;
    while (next(record)) {
        const QStringList reasons = Check(record, width, columns, at, track);
        for (const QString& reason : reasons)
            problems << Problem{record.line, reason};
        if (problems.isEmpty())
            tracks << track;
    }
    if (!problems.isEmpty())
        return problems;
    Insert(db, program, tracks);
    if (added)
        *added = tracks.size();
    return {};
}

} // namespace trackcsv
