#include "workbookfile.h"

#include <QHash>
#include <QIODevice>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <optional>
#include <zip.h>

namespace workbookfile {

namespace {

// Far beyond what a million tracks take; a part that says it holds more is not read at all.
constexpr zip_uint64_t kSmallPartLimit = 16ull << 20;
constexpr zip_uint64_t kStringsLimit = 512ull << 20;
constexpr zip_uint64_t kSheetLimit = 1ull << 30;
// The largest sheet a spreadsheet makes: columns A to XFD, rows 1 to 1,048,576.
constexpr qsizetype kMostColumns = 16384;
constexpr qint64 kMostRows = 1048576;

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// A spreadsheet's XML packs ten or twenty times; a large part packed a thousand times over is made
// to fill the memory and the time of whoever opens it.
bool IsBomb(const zip_stat_t& stat) {
    constexpr zip_uint64_t kMostPacking = 500;
    return stat.size > kSmallPartLimit && (stat.valid & ZIP_STAT_COMP_SIZE) &&
           stat.size / std::max<zip_uint64_t>(stat.comp_size, 1) > kMostPacking;
}

// One part of the archive, read as it is inflated, never more than the limit, so that a small
// file claiming a huge part costs nothing.
class EntryDevice : public QIODevice {
public:
    EntryDevice(zip_t* archive, const QString& name, zip_uint64_t limit) {
        const QByteArray path = name.toUtf8();
        zip_stat_t stat;
        if (zip_stat(archive, path.constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
            stat.size > limit || IsBomb(stat))
            return;
        size_ = stat.size;
        file_.reset(zip_fopen(archive, path.constData(), 0));
        if (file_)
            open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    // Whether all of the part, and no more than it said it holds, was read.
    bool ReadWhole() const { return !failed_ && read_ == size_; }

protected:
    qint64 readData(char* data, qint64 most) override {
        const zip_int64_t got = zip_fread(file_.get(), data, zip_uint64_t(most));
        if (got < 0 || read_ + zip_uint64_t(got) > size_) {
            failed_ = true;
            return -1;
        }
        read_ += zip_uint64_t(got);
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::unique_ptr<zip_file_t, EntryCloser> file_;
    zip_uint64_t size_ = 0, read_ = 0;
    bool failed_ = false;
};

// Characters XML cannot hold are written as _xHHHH_, and an underscore that would read as one as
// _x005F_.
QString Unescaped(const QString& text) {
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString result;
    qsizetype from = 0;
    for (auto it = escape.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        result += text.mid(from, match.capturedStart() - from);
        result += QChar(char16_t(match.captured(1).toUShort(nullptr, 16)));
        from = match.capturedEnd();
    }
    return result + text.mid(from);
}

// The text of an element holding <t> itself or in runs, leaving out the phonetic guides (<rPh>)
// that Japanese spreadsheets keep beside a text.
QString RunText(QXmlStreamReader& xml, QLatin1StringView end) {
    QString text;
    int phonetic = 0;
    while (xml.readNext() != QXmlStreamReader::Invalid) {
        if (xml.isEndElement() && xml.name() == end && phonetic == 0)
            break;
        if (xml.isStartElement() && xml.name() == QLatin1String("rPh"))
            ++phonetic;
        else if (xml.isEndElement() && xml.name() == QLatin1String("rPh"))
            --phonetic;
        else if (xml.isStartElement() && xml.name() == QLatin1String("t") && phonetic == 0)
            text += xml.readElementText();
    }
    return Unescaped(text);
}

// The texts the sheet's cells refer to by number; nothing when the part is not whole XML.
std::optional<QStringList> SharedStrings(QIODevice& part) {
    QStringList strings;
    QXmlStreamReader xml(&part);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
            strings << RunText(xml, QLatin1StringView("si"));
    }
    if (xml.hasError())
        return std::nullopt;
    return strings;
}

// Where the workbook's parts lie: relationship ID to path in the archive.
QHash<QString, QString> Relationships(QXmlStreamReader& xml, QString* sharedStrings) {
    QHash<QString, QString> targets;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement ||
            xml.name() != QLatin1String("Relationship"))
            continue;
        const auto attributes = xml.attributes();
        QString target = attributes.value(QLatin1String("Target")).toString();
        target =
            target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
        targets.insert(attributes.value(QLatin1String("Id")).toString(), target);
        if (attributes.value(QLatin1String("Type")).endsWith(QLatin1String("/sharedStrings")))
            *sharedStrings = target;
    }
    return targets;
}

QString FirstSheetId(QXmlStreamReader& xml) {
    QString id;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("sheet") && id.isEmpty())
            for (const auto& attribute : xml.attributes())
                if (attribute.name() == QLatin1String("id"))
                    id = attribute.value().toString();
    }
    return id;
}

// The column of a reference such as "AB12", counted from 0, once its row is the one given;
// nothing for anything else, lower case and columns past XFD included.
std::optional<qsizetype> ColumnOf(QStringView reference, qint64 row) {
    // Read by hand: matched against a pattern, every cell of a large sheet cost more than the
    // rest of its reading.
    qsizetype at = 0, column = 0;
    for (; at < reference.size() && at < 3 && reference[at] >= u'A' && reference[at] <= u'Z'; ++at)
        column = column * 26 + (reference[at].unicode() - 'A' + 1);
    const QStringView number = reference.sliced(at);
    if (at == 0 || number.isEmpty() || number.size() > 7 || number[0] == u'0' ||
        !std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    if (number.toLongLong() != row)
        return std::nullopt;
    return column <= kMostColumns ? std::optional(column - 1) : std::nullopt;
}

} // namespace

bool IsArchive(const QByteArray& bytes) {
    return bytes.startsWith("PK\x03\x04");
}

struct FirstSheet::Parts {
    std::unique_ptr<zip_t, ArchiveCloser> archive;
    std::unique_ptr<EntryDevice> sheet;
    std::unique_ptr<QXmlStreamReader> xml;
};

FirstSheet::FirstSheet(const QByteArray& workbook) : parts_(std::make_unique<Parts>()) {
    fault_ = QStringLiteral(
        "Excel ブック (.xlsx) として読めません。表計算ソフトで保存し直してください。");
    zip_error_t error;
    zip_error_init(&error);
    if (zip_source_t* source = zip_source_buffer_create(workbook.constData(),
                                                        zip_uint64_t(workbook.size()), 0, &error)) {
        parts_->archive.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
        if (!parts_->archive)
            zip_source_free(source);
    }
    zip_error_fini(&error);
    if (!parts_->archive)
        return;
    zip_t* archive = parts_->archive.get();
    // Each part is read whole and must be well-formed XML: a part cut short may still parse as
    // far as it goes, and give fewer strings or a shorter title than the file holds.
    const auto whole = [](EntryDevice& part, const QXmlStreamReader& xml) {
        return part.isOpen() && !xml.hasError() && part.ReadWhole();
    };
    EntryDevice links(archive, QStringLiteral("xl/_rels/workbook.xml.rels"), kSmallPartLimit);
    EntryDevice book(archive, QStringLiteral("xl/workbook.xml"), kSmallPartLimit);
    if (!links.isOpen() || !book.isOpen())
        return;
    QXmlStreamReader linksXml(&links);
    QString sharedPart;
    const QHash<QString, QString> targets = Relationships(linksXml, &sharedPart);
    QXmlStreamReader bookXml(&book);
    const QString sheetId = FirstSheetId(bookXml);
    if (!whole(links, linksXml) || !whole(book, bookXml) || !targets.contains(sheetId))
        return;
    if (!sharedPart.isEmpty()) {
        EntryDevice strings(archive, sharedPart, kStringsLimit);
        std::optional<QStringList> read;
        if (strings.isOpen())
            read = SharedStrings(strings);
        if (!read || !strings.ReadWhole()) {
            fault_ = QStringLiteral("Excel ブックの共有文字列 (%1) が壊れています。表計算ソフトで"
                                    "保存し直してください。")
                         .arg(sharedPart);
            return;
        }
        shared_ = *read;
    }
    parts_->sheet = std::make_unique<EntryDevice>(archive, targets.value(sheetId), kSheetLimit);
    if (!parts_->sheet->isOpen())
        return;
    sheetName_ = targets.value(sheetId);
    parts_->xml = std::make_unique<QXmlStreamReader>(parts_->sheet.get());
    fault_.clear();
}

FirstSheet::~FirstSheet() = default;

bool FirstSheet::Next(csvformat::Record& row) {
    if (!parts_->xml || ended_)
        return false;
    QXmlStreamReader& xml = *parts_->xml;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("row"))
            continue;
        row = csvformat::Record();
        const QStringView number = xml.attributes().value(QLatin1String("r"));
        row.line = number.isEmpty() ? lastRow_ + 1 : number.toLongLong();
        if (row.line <= lastRow_ || row.line > kMostRows) {
            row.line = lastRow_ + 1;
            row.fault = QStringLiteral("行番号「%1」が正しくないか、前の行より後ではありません。")
                            .arg(number);
            ended_ = true;
            return true;
        }
        lastRow_ = row.line;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("c"))
                ReadCell(xml, row);
            else
                xml.skipCurrentElement();
        }
        // Formatting alone leaves empty cells behind the last value, and rows with none.
        while (!row.fields.isEmpty() && row.fields.last().isEmpty())
            row.fields.removeLast();
        if (xml.hasError())
            break;
        if (!row.fields.isEmpty() || !row.fault.isEmpty())
            return true;
    }
    ended_ = true;
    if (!xml.hasError() && parts_->sheet->ReadWhole())
        return false;
    // Cut short or broken, in a row or after the last: the rows so far may not be all it holds.
    const qint64 brokenAt = xml.hasError() && row.line == lastRow_ ? lastRow_ : lastRow_ + 1;
    row = csvformat::Record();
    row.line = brokenAt;
    row.fault = QStringLiteral("シート (%1) が壊れているか途中で切れています。表計算ソフトで"
                               "保存し直してください。")
                    .arg(sheetName_);
    return true;
}

void FirstSheet::ReadCell(QXmlStreamReader& xml, csvformat::Record& row) {
    // Views into the cell's own attributes, which outlive the reading of its value.
    const QXmlStreamAttributes attributes = xml.attributes();
    const QStringView type = attributes.value(QLatin1String("t"));
    const QStringView reference = attributes.value(QLatin1String("r"));
    const auto fail = [&](const QString& reason) {
        if (row.fault.isEmpty())
            row.fault = QStringLiteral("セル %1: %2").arg(reference, reason);
        xml.skipCurrentElement();
    };
    const std::optional<qsizetype> column =
        reference.isEmpty() ? std::optional(row.fields.size()) : ColumnOf(reference, row.line);
    if (!column)
        return fail(QStringLiteral("セルの位置が正しくありません (A1 から XFD1048576 まで、"
                                   "大文字で、行の番号と同じ行)。"));
    if (*column < row.fields.size() || *column >= kMostColumns)
        return fail(QStringLiteral("同じ行のセルが、左から右の順に一度ずつ並んでいません。"));
    QString value;
    bool formula = false;
    while (xml.readNextStartElement()) {
        formula = formula || xml.name() == QLatin1String("f");
        if (xml.name() == QLatin1String("v"))
            value = xml.readElementText();
        else if (xml.name() == QLatin1String("is"))
            value = RunText(xml, QLatin1StringView("is"));
        else
            xml.skipCurrentElement();
    }
    if (formula && row.fault.isEmpty())
        row.fault = QStringLiteral("セル %1 は計算式です。計算式を値に変えて保存し直して"
                                   "ください。")
                        .arg(reference);
    if (type == QLatin1String("s")) {
        bool isNumber = false;
        const qsizetype index = value.toLongLong(&isNumber);
        if (!isNumber || index < 0 || index >= shared_.size()) {
            if (row.fault.isEmpty())
                row.fault = QStringLiteral("セル %1 の共有文字列の番号「%2」がありません。")
                                .arg(reference, value);
            return;
        }
        value = shared_[index];
    } else if (type == QLatin1String("e") && row.fault.isEmpty()) {
        row.fault = QStringLiteral("セル %1 がエラー値 %2 です。").arg(reference, value);
    } else if (type == QLatin1String("str")) {
        value = Unescaped(value);
    }
    while (row.fields.size() < *column)
        row.fields << QString();
    row.fields << value;
}

} // namespace workbookfile
