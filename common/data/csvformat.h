#pragma once

// The encodings and problems are those trackcsv's callers deal in, so nothing is translated on
// the way through.
#include "shiftjis.h"
#include "trackcsv.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// CSV files as RFC 4180 lays them out, in UTF-8 or CP932, whatever their rows hold.
namespace csvformat {

using trackcsv::Encoding;
using trackcsv::Problem;

QString CsvField(const QString& text);
// The same for UTF-8 text, added to the end of line.
void AppendCsvField(QByteArray& line, QByteArrayView utf8);

class CsvWriter {
public:
    // Throws std::runtime_error (message in Japanese) when CP932 cannot be written here.
    explicit CsvWriter(Encoding encoding);

    // False when the line holds a character the encoding cannot write; nothing is then added.
    bool Add(const QStringList& fields);

    qsizetype Size() const { return bytes_.size(); }
    // The bytes added since the last call.
    QByteArray Take() { return std::exchange(bytes_, QByteArray()); }

private:
    Encoding encoding_;
    std::optional<shiftjis::Encoder> cp932_;
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

    bool Next(Record& record);

private:
    QChar At(qsizetype pos) const { return pos < text_.size() ? text_[pos] : QChar(); }
    void SkipBlankLines();
    // How many characters from here hold no comma, quote or line break.
    qsizetype PlainRun() const;

    const QString& text_;
    qsizetype pos_ = 0;
    qint64 line_ = 1;
};

// The text of the file: UTF-8 when every byte fits it, CP932 otherwise. Lines CP932 cannot read,
// and a file with lines in both encodings, go to problems: decoding it either way would turn part
// of the names into other characters without a word.
QString Decode(const QByteArray& bytes, QList<Problem>& problems);

} // namespace csvformat
