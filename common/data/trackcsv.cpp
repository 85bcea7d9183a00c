#include "trackcsv.h"

#include "columnname.h"
#include "csvformat.h"
#include "handoff.h"
#include "hasquote.h"
#include "numbertext.h"
#include "recordset.h"
#include "shiftjis.h"

#include <QScopeGuard>
#include <exception>
#include <optional>
#include <stdexcept>
#include <thread>

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
    QVariant number;
};

// Tracks handed on at a time from the thread reading the file to the one adding them.
constexpr size_t kTracksPerBatch = 1024;

// Every reason the record cannot be a track, or the track.
QStringList Check(const Record& record, qsizetype width, const QStringList& columns,
                  const QList<qsizetype>& at, Track& track) {
    if (!record.fault.isEmpty())
        return {record.fault};
    if (record.fields.size() != width)
        return {QStringLiteral("欄の数が見出しと違います (見出しは %1 欄、この行は %2 欄)。")
                    .arg(width)
                    .arg(record.fields.size())};
    track.values.clear();
    for (qsizetype i = 0; i < columns.size(); ++i)
        track.values << record.fields[at[i]];
    // An empty text is what the export writes for a track whose title or name is empty, as
    // catalogues from elsewhere hold them; only the number cannot be done without.
    return CheckValues(columns, track.values, Blanks::Allowed, track.number);
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

// A checked track as it is bound: text in UTF-8, the number as it is stored. Made on the thread
// that reads the file, so that the thread adding the tracks has only SQLite's work left.
struct Bound {
    QList<QByteArray> texts; // in the order of the program's columns; empty for the number
    QVariant number;

    explicit Bound(const Track& track) : number(track.number) {
        for (const QString& value : track.values)
            texts << value.toUtf8();
    }
};

// Adds the tracks one by one as they are read, inside one transaction the caller opens.
class Inserter {
public:
    Inserter(Database& db, Program program)
        : db_(db), columns_(tracktable::UserColumns(program)), one_(Prepare(program, 1)),
          many_(Prepare(program, kTracksPerInsert)),
          cacheSize_(PragmaNumber(db, QStringLiteral("cache_size"))),
          tempStore_(PragmaNumber(db, QStringLiteral("temp_store"))) {
        // The indexes take each track at a place of its own; with room for their pages in memory,
        // a large file is not read and written back page by page.
        db_.Execute(QStringLiteral("PRAGMA cache_size = -%1").arg(kImportCacheKb));
        // A statement of many rows keeps the pages it changes until it is done, to undo it alone;
        // in a file, that was written four times over for every page of the catalogue.
        db_.Execute(QStringLiteral("PRAGMA temp_store = MEMORY"));
    }
    ~Inserter() {
        const QByteArray restore = "PRAGMA cache_size = " + QByteArray::number(cacheSize_) +
                                   "; PRAGMA temp_store = " + QByteArray::number(tempStore_);
        sqlite3_exec(db_.Handle(), restore.constData(), nullptr, nullptr, nullptr);
    }
    Inserter(const Inserter&) = delete;
    Inserter& operator=(const Inserter&) = delete;

    // Every statement carries its own work besides its rows, the catalogue's AUTOINCREMENT
    // counter among it; the tracks go many to a statement.
    void Add(const std::vector<Bound>& tracks) {
        size_t done = 0;
        for (; tracks.size() - done >= kTracksPerInsert; done += kTracksPerInsert)
            Write(many_.get(), tracks, done, kTracksPerInsert);
        for (; done < tracks.size(); ++done)
            Write(one_.get(), tracks, done, 1);
    }

private:
    static constexpr int kImportCacheKb = 64 * 1024;
    static constexpr size_t kTracksPerInsert = 64;

    StatementHandle Prepare(Program program, size_t tracks) const {
        QStringList rows;
        for (size_t i = 0; i < tracks; ++i)
            rows << QStringLiteral("(?, ?, ?, ?)");
        return db_.Prepare(QStringLiteral("INSERT OR ABORT INTO %1 (%2) VALUES %3")
                               .arg(Identifier(tracktable::kTable), QuotedColumns(program),
                                    rows.join(QStringLiteral(", "))));
    }

    void Write(sqlite3_stmt* stmt, const std::vector<Bound>& tracks, size_t first, size_t count) {
        int parameter = 0;
        for (size_t t = first; t < first + count; ++t) {
            const Bound& track = tracks[t];
            for (int i = 0; i < columns_.size(); ++i) {
                const QByteArray& text = track.texts[i];
                ++parameter;
                const int rc = columns_[i] != kNumber
                                   ? sqlite3_bind_text(stmt, parameter, text.constData(),
                                                       int(text.size()), SQLITE_STATIC)
                               : track.number.typeId() == QMetaType::LongLong
                                   ? sqlite3_bind_int64(stmt, parameter, track.number.toLongLong())
                                   : sqlite3_bind_double(stmt, parameter, track.number.toDouble());
                if (rc != SQLITE_OK)
                    db_.Fail(rc);
            }
        }
        db_.WriteRows(stmt, qint64(count));
        sqlite3_reset(stmt);
    }

    static qint64 PragmaNumber(Database& db, const QString& pragma) {
        const StatementHandle value = db.Prepare(QStringLiteral("PRAGMA ") + pragma);
        if (const int rc = sqlite3_step(value.get()); rc != SQLITE_ROW)
            db.Fail(rc);
        return sqlite3_column_int64(value.get(), 0);
    }

    Database& db_;
    const QStringList columns_;
    const StatementHandle one_;
    const StatementHandle many_;
    const qint64 cacheSize_;
    const qint64 tempStore_;
};

} // namespace

QStringList CheckValues(const QStringList& columns, const QStringList& values, Blanks blanks,
                        QVariant& number) {
    QStringList reasons;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QString& value = values[i];
        if (value.isEmpty() && (blanks == Blanks::Refused || columns[i] == kNumber))
            reasons << QStringLiteral("「%1」が空です。全て入力して下さい。").arg(columns[i]);
        else if (HasNul(value))
            reasons << QStringLiteral("「%1」に NUL 文字は使用出来ません。").arg(columns[i]);
        else if (IsSpliced(columns[i]) && HasQuote(value))
            reasons
                << QStringLiteral("「%1」にｼﾝｸﾞﾙｺｰﾃｰｼｮﾝ (') は使用出来ません。").arg(columns[i]);
        else if (columns[i] == kNumber) {
            const std::optional<QVariant> parsed = ParseStoredNumber(value);
            if (parsed)
                number = *parsed;
            else
                reasons << QStringLiteral("曲番は数字しか使用出来ません: %1").arg(value);
        }
    }
    return reasons;
}

namespace {

// So much of a file is made before it is handed on.
constexpr qsizetype kPieceBytes = 1 << 20;

// A value as the UTF-8 file holds it. Text and whole numbers go as SQLite hands them out, without
// a round trip through QString; only what that would change goes the long way.
void AppendUtf8Field(QByteArray& line, sqlite3_stmt* stmt, int column) {
    const int type = sqlite3_column_type(stmt, column);
    if (type == SQLITE_NULL)
        return;
    if (type == SQLITE_TEXT || type == SQLITE_INTEGER) {
        const QByteArrayView stored(
            reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
            sqlite3_column_bytes(stmt, column));
        if (stored.isValidUtf8()) {
            csvformat::AppendCsvField(line, stored);
            return;
        }
    }
    csvformat::AppendCsvField(line, ValueToText(ColumnValue(stmt, column)).toUtf8());
}

bool ExportUtf8(Database& db, Program program, const Sink& write) {
    const QStringList columns = tracktable::UserColumns(program);
    QByteArray piece;
    const auto endLine = [&piece] {
        piece.back() = '\r';
        piece += '\n';
    };
    for (const QString& column : columns) {
        csvformat::AppendCsvField(piece, column.toUtf8());
        piece += ',';
    }
    endLine();
    bool taken = true;
    ForEachRow(db, program, [&](sqlite3_stmt* stmt) {
        for (int i = 0; i < columns.size(); ++i) {
            AppendUtf8Field(piece, stmt, i);
            piece += ',';
        }
        endLine();
        if (piece.size() >= kPieceBytes) {
            taken = write(piece);
            piece.clear();
        }
        return taken;
    });
    return taken && write(piece);
}

} // namespace

void ForEachRow(Database& db, Program program, const std::function<bool(sqlite3_stmt*)>& visit) {
    const StatementHandle select =
        db.Prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY ID")
                       .arg(QuotedColumns(program), Identifier(tracktable::kTable)));
    int rc;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
        if (!visit(select.get()))
            return;
    }
    if (rc != SQLITE_DONE)
        db.Fail(rc);
}

QList<QVariant> RowValues(sqlite3_stmt* row, int columns) {
    QList<QVariant> values;
    values.reserve(columns);
    for (int i = 0; i < columns; ++i)
        values << ColumnValue(row, i);
    return values;
}

void ForEachTrack(Database& db, Program program, const TrackVisitor& visit) {
    const int columns = int(tracktable::UserColumns(program).size());
    qint64 track = 0;
    ForEachRow(db, program, [&](sqlite3_stmt* row) {
        visit(++track, RowValues(row, columns));
        return true;
    });
}

QString DescribeTrack(Program program, qint64 track, const QList<QVariant>& values) {
    const QStringList columns = tracktable::UserColumns(program);
    QStringList described;
    // Enough of a value to find the track by; a message never holds a whole long one.
    constexpr qsizetype kShown = 40;
    for (int i = 0; i < columns.size(); ++i) {
        const QString text = ValueToText(values[i]);
        described << QStringLiteral("%1「%2」")
                         .arg(columns[i], text.size() <= kShown
                                              ? text
                                              : text.left(kShown) + QStringLiteral("…"));
    }
    return QStringLiteral("%1 曲目 (%2)").arg(track).arg(described.join(QLatin1Char(' ')));
}

bool ExportTo(Database& db, Program program, Encoding encoding, const Sink& write) {
    if (encoding == Encoding::Utf8)
        return ExportUtf8(db, program, write);
    csvformat::CsvWriter writer(encoding);
    writer.Add(tracktable::UserColumns(program));
    bool taken = true;
    ForEachTrack(db, program, [&](qint64 track, const QList<QVariant>& values) {
        if (!taken)
            return;
        QStringList fields;
        for (const QVariant& value : values)
            fields << csvformat::CsvField(ValueToText(value));
        if (!writer.Add(fields))
            throw std::runtime_error(QStringLiteral("%1 に CP932 (Shift_JIS) で書けない文字%2"
                                                    "があります。UTF-8 で書き出してください。")
                                         .arg(DescribeTrack(program, track, values),
                                              shiftjis::FirstUnencodable(fields.join(QString())))
                                         .toStdString());
        if (writer.Size() >= kPieceBytes)
            taken = write(writer.Take());
    });
    return taken && write(writer.Take());
}

QByteArray Export(Database& db, Program program, Encoding encoding) {
    QByteArray file;
    ExportTo(db, program, encoding, [&file](QByteArrayView piece) {
        file += piece;
        return true;
    });
    return file;
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
    std::exception_ptr unread;
    Handoff<Bound> handoff;
    // The file is read and checked on a thread of its own while the tracks are added, the first
    // problem stops the adding, the rest of the file is still checked, and the transaction is
    // undone. Nothing waits for a whole file of tracks to be held at once.
    std::thread reader([&] {
        try {
            std::vector<Bound> batch;
            Track track;
            while (!handoff.Stopped() && next(record)) {
                const QStringList reasons = Check(record, width, columns, at, track);
                for (const QString& reason : reasons)
                    problems << Problem{record.line, reason};
                if (!problems.isEmpty())
                    continue;
                batch.emplace_back(track);
                if (batch.size() == kTracksPerBatch)
                    handoff.Give(std::exchange(batch, {}));
            }
            if (problems.isEmpty())
                handoff.Give(std::move(batch));
        } catch (...) {
            unread = std::current_exception();
        }
        handoff.Finish();
    });
    auto stopReading = qScopeGuard([&] {
        handoff.Stop();
        reader.join();
    });
    Inserter inserter(db, program);
    qint64 tracks = 0;
    db.BeginTrans();
    try {
        std::vector<Bound> batch;
        while (handoff.Take(batch)) {
            inserter.Add(batch);
            tracks += qint64(batch.size());
        }
        reader.join();
        stopReading.dismiss();
        if (unread)
            std::rethrow_exception(unread);
        if (!problems.isEmpty()) {
            db.Rollback();
            return problems;
        }
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
    if (added)
        *added = tracks;
    return {};
}

} // namespace trackcsv
