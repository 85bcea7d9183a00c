#include "csvformat.h"

#include "shiftjis.h"

#include <QStringDecoder>
#include <algorithm>
#include <stdexcept>

namespace csvformat {

namespace {

// Microsoft's Shift_JIS, the one Windows and its spreadsheets write: 0x5C is the backslash, 0x8160
// is ～ (U+FF5E).
constexpr auto kCp932 = shiftjis::kCodec;

// Without Stateless a converter keeps a character cut short at the end of the data for a next
// call that never comes, and drops it without reporting anything.
constexpr auto kWhole = QStringConverter::Flag::Stateless;

// Japanese in UTF-8 takes three bytes a character. Two-byte sequences do not count: pairs of
// half-width katakana in CP932 often make one.
bool HoldsWideUtf8(QByteArrayView line) {
    return line.isValidUtf8() &&
           std::any_of(line.begin(), line.end(), [](char b) { return quint8(b) >= 0xE0; });
}

// EUC-JP's characters are pairs of bytes from 0xA1 up, with 0x8E before a half-width katakana and
// 0x8F before a three-byte one. CP932's kana and common kanji start with a byte below 0xA0, so
// CP932 text passes for EUC-JP only when it is half-width katakana, which has no byte from 0xE0.
bool LooksLikeEucJp(QByteArrayView bytes) {
    bool high = false;
    const auto pairByte = [](quint8 b) { return b >= 0xA1 && b <= 0xFE; };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 b = quint8(bytes[i]);
        if (b < 0x80)
            continue;
        const qsizetype length = b == 0x8F ? 3 : 2;
        if (i + length > bytes.size() || (b != 0x8E && b != 0x8F && !pairByte(b)))
            return false;
        for (qsizetype k = 1; k < length; ++k)
            if (!pairByte(quint8(bytes[i + k])))
                return false;
        for (qsizetype k = 0; k < length; ++k)
            high = high || quint8(bytes[i + k]) >= 0xE0;
        i += length - 1;
    }
    return high;
}

} // namespace

QString CsvField(const QString& text) {
    for (const QChar c : text) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
    }
    return text;
}

void AppendCsvField(QByteArray& line, QByteArrayView utf8) {
    if (std::none_of(utf8.begin(), utf8.end(),
                     [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; })) {
        line += utf8;
        return;
    }
    line += '"';
    for (const char c : utf8) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

CsvWriter::CsvWriter(Encoding encoding) : encoding_(encoding) {
    if (encoding == Encoding::Cp932) {
        cp932_.emplace();
        if (!cp932_->IsValid())
            throw std::runtime_error(
                QStringLiteral("この環境では CP932 (Shift_JIS) に変換できません。").toStdString());
    }
}

bool CsvWriter::Add(const QStringList& fields) {
    const QString line = fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    if (encoding_ == Encoding::Utf8) {
        bytes_ += line.toUtf8();
        return true;
    }
    const std::optional<QByteArray> encoded = cp932_->Encode(line);
    if (!encoded)
        return false;
    bytes_ += *encoded;
    return true;
}

bool CsvReader::Next(Record& record) {
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
        // Most of a file is plain text between the commas: it is taken a run at a time.
        if (const qsizetype run = inQuotes || closed ? 0 : PlainRun(); run > 0) {
            field += QStringView(text_).mid(pos_, run);
            pos_ += run;
            continue;
        }
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

qsizetype CsvReader::PlainRun() const {
    qsizetype end = pos_;
    while (end < text_.size()) {
        const char16_t c = text_[end].unicode();
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            break;
        ++end;
    }
    return end - pos_;
}

// A blank line holds no track; spreadsheets leave one at the end.
void CsvReader::SkipBlankLines() {
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
    // Read as CP932 it would be other characters than the file holds, without a fault to see.
    if (LooksLikeEucJp(bytes)) {
        const auto first = std::find_if(bytes.begin(), bytes.end(), [](char b) { return b < 0; });
        problems << Problem{
            std::count(bytes.begin(), first, '\n') + 1,
            QStringLiteral("EUC-JP で書かれたファイルのようです。UTF-8 か CP932 (Shift_JIS) で"
                           "保存し直してください。")};
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

} // namespace csvformat
