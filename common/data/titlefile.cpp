#include "titlefile.h"

#include "savefile.h"
#include "shiftjis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <optional>
#include <utility>

namespace titlefile {
namespace {

[[noreturn]] void fail(const QString& message) {
    throw FileError(message.toStdString());
}

QString displayName(const QString& path) {
    return QFileInfo(path).fileName();
}

// None of these bytes can be the trail byte of a two-byte Shift-JIS character, which is what
// makes it safe to split the raw bytes before decoding anything.
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool endsField(char c) {
    return c == ',' || c == '\r' || c == '\n';
}

// A quote closes a quoted value only where nothing but blanks stands between it and a comma, a
// line end or the end of the data; any other quote belongs to the value.
bool closesValue(QByteArrayView data, qsizetype quote) {
    qsizetype i = quote + 1;
    while (i < data.size() && isBlank(data[i]))
        ++i;
    return i == data.size() || endsField(data[i]);
}

bool isLeadByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// A lead byte whose trail byte was lost (end of file, or a quote right behind it).
bool endsInOrphanLead(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size())
        i += isLeadByte(bytes[i]) ? 2 : 1;
    return i > bytes.size();
}

// Each value gets its own decoder so a damaged byte can only spoil the value it sits in.
QString decode(QByteArrayView bytes) {
    const bool orphan = endsInOrphanLead(bytes);
    if (orphan)
        bytes.chop(1); // ICU would silently hold it back waiting for a trail byte
    QStringDecoder decoder(shiftjis::kCodec);
    QString text = decoder.decode(bytes);
    if (!decoder.isValid())
        fail(QStringLiteral("シフトJISの文字コード変換が使えません。"));
    // ICU marks invalid single bytes with SUB; U+FFFD makes the damage visible in a title.
    if (decoder.hasError())
        text.replace(QChar(0x1A), QChar::ReplacementCharacter);
    if (orphan)
        text += QChar::ReplacementCharacter;
    return text;
}

// After a failed write in place the file holds part of the new settings, or nothing.
void putBack(const QString& path, const QByteArray& old) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || file.readAll() == old)
        return;
    if (file.resize(0) && file.seek(0))
        file.write(old);
}

} // namespace

InputFile::InputFile(const QString& path) : name_(displayName(path)) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1 を開けませんでした。\n%2").arg(name_, file.errorString()));
    data_ = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("%1 を読み込めませんでした。\n%2").arg(name_, file.errorString()));
}

QString InputFile::Input() {
    if (pos_ >= data_.size() && !fieldPending_)
        fail(QStringLiteral("%1 の設定が途中で終わっています。").arg(name_));
    skipBlanks();
    const bool quoted = pos_ < data_.size() && data_[pos_] == '"';
    const QByteArray bytes = quoted ? quotedField() : plainField();
    skipSeparator();
    return decode(bytes);
}

void InputFile::skipBlanks() {
    while (pos_ < data_.size() && isBlank(data_[pos_]))
        ++pos_;
}

// Runs, line ends included, to the quote that closes it, so a title may hold quotes of its own.
// A file made by hand may have no such quote: the value then ends at its next quote and what
// follows up to the next comma or line end is dropped, which costs only that value's tail and
// keeps the values after it in step.
QByteArray InputFile::quotedField() {
    const qsizetype start = pos_ + 1;
    qsizetype end = data_.indexOf('"', start);
    while (end >= 0 && !closesValue(data_, end))
        end = data_.indexOf('"', end + 1);
    if (end < 0)
        end = data_.indexOf('"', start);
    if (end < 0)
        end = data_.size();
    pos_ = end;
    skipToFieldEnd();
    return data_.sliced(start, end - start);
}

void InputFile::skipToFieldEnd() {
    while (pos_ < data_.size() && !endsField(data_[pos_]))
        ++pos_;
}

QByteArray InputFile::plainField() {
    const qsizetype start = pos_;
    skipToFieldEnd();
    qsizetype end = pos_;
    while (end > start && isBlank(data_[end - 1]))
        --end;
    return data_.sliced(start, end - start);
}

void InputFile::skipSeparator() {
    fieldPending_ = false;
    if (pos_ >= data_.size())
        return;
    const char c = data_[pos_++];
    if (c == ',')
        fieldPending_ = true;
    else if (c == '\r' && pos_ < data_.size() && data_[pos_] == '\n')
        ++pos_;
}

OutputFile::OutputFile(const QString& path) : path_(path) {}

void OutputFile::Write(const QString& value) {
    const std::optional<QByteArray> bytes = shiftjis::Encode(value);
    if (!bytes)
        fail(QStringLiteral("タイトルにシフトJISで保存できない文字が含まれています。\n%1: %2")
                 .arg(value, shiftjis::FirstUnencodable(value)));
    if (!ReadsBackWhole(value))
        fail(QStringLiteral("タイトルの最後とカンマの前には、ダブルコーテーションは使用出来ません。"
                            "\n%1")
                 .arg(value));
    data_ += '"' + *bytes + "\"\r\n";
}

void OutputFile::Close() {
    RemoveSaveLeftovers(path_);
    // Kept to put back should the file have to be written in place and that write fail.
    QFile oldFile(path_);
    const std::optional<QByteArray> old =
        oldFile.open(QIODevice::ReadOnly) ? std::optional(oldFile.readAll()) : std::nullopt;
    oldFile.close();

    const QString reason = SaveWholeFile(path_, data_, InPlace::WhenTheFolderIsLocked);
    if (reason.isEmpty())
        return;
    if (old)
        putBack(path_, *old);
    fail(QStringLiteral("%1 を保存できませんでした。\n%2").arg(displayName(path_), reason));
}

bool CanEncode(const QString& text) {
    return shiftjis::Encode(text).has_value();
}

// Judged on the title alone, as though the file ended with it, so a quote at the title's end,
// blanks aside, is refused too: it would sit against the closing quote, where other readers of
// this layout may well end the value early or take the pair for an escaped quote.
bool ReadsBackWhole(const QString& text) {
    // Quotes, blanks and separators are ASCII, the same bytes in UTF-8 as in Shift-JIS.
    const QByteArray bytes = text.toUtf8();
    for (qsizetype i = bytes.indexOf('"'); i >= 0; i = bytes.indexOf('"', i + 1)) {
        if (closesValue(bytes, i))
            return false;
    }
    return true;
}

} // namespace titlefile
