#include "trackcsv.h"

#include "columnname.h"
#include "hasquote.h"
#include "numbertext.h"
#include "recordset.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <optional>
#include <stdexcept>

namespace trackcsv {

namespace {

// Microsoft's Shift_JIS, the one Windows and its spreadsheets write: 0x5C is the backslash, 0x8160
// is ～ (U+FF5E). ICU knows it by this name.
constexpr char kCp932[] = "windows-31j";

// Without Stateless a converter keeps a character cut short at the end of the data for a next
// call that never comes, and drops it without reporting anything.
constexpr auto kWhole = QStringConverter::Flag::Stateless;

const QString kNumber = QStringLiteral("曲番");
const QString kTitle = QStringLiteral("曲名");

// The programs splice every name but the title into statements between quotes; only the title
// and the number travel as bound values.
bool IsSpliced(const QString& column) {
    return column != kNumber && column != kTitle;
}

QString QuotedColumns(Program program) {
    QStringList names;
    for (const QString& column : tracktable::UserColumns(program))
        names << QLatin1Char('"') + column + QLatin1Char('"');
    return names.join(QLatin1Char(','));
}

QString CsvField(const QString& text) {
    for (const QChar c : text) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
    }
    return text;
}

// The first character of text that CP932 has no code for.
QString FirstUnwritable(const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        QStringEncoder encoder(kCp932, kWhole);
        (void)QByteArray(encoder.encode(one));
        if (encoder.hasError())
            return one;
    }
    return {};
}

class CsvWriter {
public:
    explicit CsvWriter(Encoding encoding) : encoding_(encoding) {
        if (encoding == Encoding::Cp932) {
            cp932_.emplace(kCp932, kWhole);
            if (!cp932_->isValid())
                throw std::runtime_error(
                    QStringLiteral("この環境では CP932 (Shift_JIS) に変換できません。")
                        .toStdString());
        }
    }

    // False when the line holds a character the encoding cannot write; nothing is then added.
    bool Add(const QStringList& fields) {
        const QString line = fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
        if (encoding_ == Encoding::Utf8) {
            bytes_ += line.toUtf8();
            return true;
        }
        const QByteArray encoded = cp932_->encode(line);
        // The flag stays set once raised, so the line that raised it is the current one.
        if (cp932_->hasError())
            return false;
        bytes_ += encoded;
        return true;
    }

    QByteArray Bytes() && { return std::move(bytes_); }

private:
    Encoding encoding_;
    std::optional<QStringEncoder> cp932_;
    QByteArray bytes_;
};

struct Record {
    qint64 line = 0;
    QStringList fields;
    QString fault; // what makes the record unreadable, empty when nothing does
};

// Reads records as RFC 4180 lays them out, counting physical lines so that a record's line is
// where it starts in an editor, however many line breaks its quoted fields hold.
class CsvReader {
public:
    explicit CsvReader(const QString& text) : text_(text) {}

    bool Next(Record& record) {
        SkipBlankLines();
        if (pos_ >= text_.size())
            return false;
        record = Record{line_, {}, {}};
        QString field;
        bool inQuotes = false, closed = false;
        const auto fault = [&record](const QString& reason) {
            if (record.fault.isEmpty())
                record.fault = reason;
        };
        while (pos_ < text_.size()) {
            const QChar c = text_[pos_++];
            if (inQuotes) {
                if (c == u'"' && At(pos_) == u'"') {
                    field += c;
                    ++pos_;
                } else if (c == u'"') {
                    inQuotes = false;
                    closed = true;
                } else {
                    line_ += c == u'\n';
                    field += c;
                }
                continue;
            }
            if (c == u',') {
                record.fields << field;
                field.clear();
                closed = false;
                continue;
            }
            if (c == u'\n' || (c == u'\r' && At(pos_) == u'\n')) {
                pos_ += c == u'\r';
                ++line_;
                record.fields << field;
                return true;
            }
            if (c == u'"' && field.isEmpty() && !closed) {
                inQuotes = true;
                continue;
            }
            // Either would be guessing what the writer meant: a quote not doubled, or a file
            // whose lines end in CR alone.
            if (closed)
                fault(QStringLiteral("引用符 (\") で囲んだ欄の後に文字があります。"
                                     "欄の中の引用符は \"\" と 2 つ重ねて書いてください。"));
            else if (c == u'\r')
                fault(QStringLiteral("引用符の外に CR だけの改行があります。"));
            field += c;
        }
        if (inQuotes)
            fault(QStringLiteral("引用符 (\") が閉じられていません。"));
        record.fields << field;
        return true;
    }

private:
    QChar At(qsizetype pos) const { return pos < text_.size() ? text_[pos] : QChar(); }

    // A blank line holds no track; spreadsheets leave one at the end.
    void SkipBlankLines() {
        for (;;) {
            if (At(pos_) == u'\n')
                pos_ += 1;
            else if (At(pos_) == u'\r' && At(pos_ + 1) == u'\n')
                pos_ += 2;
            else
                return;
            ++line_;
        }
    }

    const QString& text_;
    qsizetype pos_ = 0;
    qint64 line_ = 1;
};

// Japanese in UTF-8 takes three bytes a character. Two-byte sequences do not count: pairs of
// half-width katakana in CP932 often make one.
bool HoldsWideUtf8(QByteArrayView line) {
    return line.isValidUtf8() &&
           std::any_of(line.begin(), line.end(), [](char b) { return quint8(b) >= 0xE0; });
}

// The text of the file: UTF-8 when every byte fits it, CP932 otherwise. Lines CP932 cannot read,
// and a file with lines in both encodings, go to problems: decoding it either way would turn part
// of the names into other characters without a word.
QString Decode(const QByteArray& bytes, QList<Problem>& problems) {
    if (bytes.isValidUtf8())
        return QStringDecoder(QStringConverter::Utf8, kWhole).decode(bytes);
    QStringDecoder cp932(kCp932, kWhole);
    if (!cp932.isValid()) {
        problems << Problem{1,
                            QStringLiteral("UTF-8 ではないファイルですが、この環境では CP932 "
                                           "(Shift_JIS) を読めません。UTF-8 で保存してください。")};
        return {};
    }
    QString text = cp932.decode(bytes);
    const bool unreadable = cp932.hasError();
    qint64 line = 1, wideUtf8Line = 0, otherLine = 0;
    for (qsizetype start = 0; start < bytes.size(); ++line) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArrayView physical(bytes.constData() + start, end - start);
        start = end;
        if (HoldsWideUtf8(physical)) {
            if (!wideUtf8Line)
                wideUtf8Line = line;
            continue;
        }
        if (!otherLine && !physical.isValidUtf8())
            otherLine = line;
        if (!unreadable)
            continue;
        QStringDecoder alone(kCp932, kWhole);
        (void)QString(alone.decode(physical));
        if (alone.hasError())
            problems << Problem{line, QStringLiteral("UTF-8 としても CP932 (Shift_JIS) としても"
                                                     "読めない文字があります。")};
    }
    if (wideUtf8Line && otherLine)
        problems << Problem{otherLine,
                            QStringLiteral("この行は UTF-8 ではありませんが、%1 行目は UTF-8 です。"
                                           "ファイル全体をどちらか一つの文字コードで保存し"
                                           "直してください。")
                                .arg(wideUtf8Line)};
    return problems.isEmpty() ? text : QString();
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
        if (value.isEmpty())
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
        db.Prepare(QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (?, ?, ?, ?)")
                       .arg(tracktable::kTable, QuotedColumns(program)));
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
            db.RunToEnd(stmt);
            sqlite3_reset(stmt);
        }
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
}

} // namespace

QByteArray Export(Database& db, Program program, Encoding encoding) {
    const QStringList columns = tracktable::UserColumns(program);
    const StatementHandle select = db.Prepare(QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY ID")
                                                  .arg(QuotedColumns(program), tracktable::kTable));
    sqlite3_stmt* stmt = select.get();
    CsvWriter writer(encoding);
    writer.Add(columns);
    qint64 track = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        ++track;
        QStringList fields;
        for (int i = 0; i < columns.size(); ++i)
            fields << CsvField(ValueToText(ColumnValue(stmt, i)));
        if (writer.Add(fields))
            continue;
        QStringList described;
        for (int i = 0; i < columns.size(); ++i)
            described
                << QStringLiteral("%1「%2」").arg(columns[i], ValueToText(ColumnValue(stmt, i)));
        const QString character = FirstUnwritable(fields.join(QString()));
        throw std::runtime_error(
            QStringLiteral("%1 曲目 (%2) に CP932 (Shift_JIS) で書けない文字「%3」(U+%4) "
                           "があります。UTF-8 で書き出してください。")
                .arg(track)
                .arg(described.join(QLatin1Char(' ')), character)
                .arg(QString::number(character.toUcs4().value(0), 16).toUpper(), 4, u'0')
                .toStdString());
    }
    if (rc != SQLITE_DONE)
        db.Fail(rc);
    return std::move(writer).Bytes();
}

QList<Problem> Import(Database& db, Program program, const QByteArray& csv, qint64* added) {
    if (added)
        *added = 0;
    QList<Problem> problems;
    const QString text = Decode(csv, problems);
    if (!problems.isEmpty())
        return problems;
    CsvReader reader(text);
    Record record;
    if (!reader.Next(record))
        return {Problem{1, QStringLiteral("見出しの行がありません。空のファイルです。")}};
    const QStringList columns = tracktable::UserColumns(program);
    QList<qsizetype> at;
    if (const QString wrong = MatchHeader(record, columns, at); !wrong.isEmpty())
        return {Problem{record.line, wrong}};
    const qsizetype width = record.fields.size();
    QList<Track> tracks;
    Track track;
    while (reader.Next(record)) {
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
