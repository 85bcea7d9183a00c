#include "workbookfile.h"

#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <optional>
#include <zip.h>

namespace workbookfile {

namespace {

// Far beyond the sheet of a million tracks; a file that claims more is not read into memory.
constexpr zip_uint64_t kEntryLimit = 1ull << 30;

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

class Archive {
public:
    explicit Archive(const QByteArray& bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source =
            zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
        if (source) {
            archive_.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
            if (!archive_)
                zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    bool IsOpen() const { return archive_ != nullptr; }

    // The entry's bytes, or nothing when it is missing, too large or cannot be read.
    std::optional<QByteArray> Entry(const QString& name) const {
        const QByteArray path = name.toUtf8();
        zip_stat_t stat;
        if (zip_stat(archive_.get(), path.constData(), 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_SIZE) || stat.size > kEntryLimit)
            return std::nullopt;
        zip_file_t* file = zip_fopen(archive_.get(), path.constData(), 0);
        if (!file)
            return std::nullopt;
        QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
        const zip_int64_t read = zip_fread(file, bytes.data(), stat.size);
        zip_fclose(file);
        if (read < 0 || zip_uint64_t(read) != stat.size)
            return std::nullopt;
        return bytes;
    }

private:
    std::unique_ptr<zip_t, ArchiveCloser> archive_;
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
QString RunText(QXmlStreamReader& xml) {
    QString text;
    const QString end = xml.name().toString();
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

QStringList SharedStrings(const QByteArray& part) {
    QStringList strings;
    QXmlStreamReader xml(part);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
            strings << RunText(xml);
    }
    return strings;
}

// Where the workbook's parts lie: relationship ID to path in the archive.
QHash<QString, QString> Relationships(const QByteArray& part, QString* sharedStrings) {
    QHash<QString, QString> targets;
    QXmlStreamReader xml(part);
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

QString FirstSheetId(const QByteArray& workbook) {
    QXmlStreamReader xml(workbook);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("sheet"))
            for (const auto& attribute : xml.attributes())
                if (attribute.name() == QLatin1String("id"))
                    return attribute.value().toString();
    }
    return {};
}

// The column of a reference such as "AB12", counted from 0.
qsizetype ColumnOf(QStringView reference) {
    qsizetype column = 0;
    for (const QChar c : reference) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        column = column * 26 + (c.unicode() - 'A' + 1);
    }
    return column - 1;
}

void ReadCell(QXmlStreamReader& xml, const QStringList& shared, csvformat::Record& row) {
    const auto attributes = xml.attributes();
    const QString type = attributes.value(QLatin1String("t")).toString();
    const QString reference = attributes.value(QLatin1String("r")).toString();
    const qsizetype column = reference.isEmpty() ? row.fields.size() : ColumnOf(reference);
    QString value;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("v"))
            value = xml.readElementText();
        else if (xml.name() == QLatin1String("is"))
            value = RunText(xml);
        else
            xml.skipCurrentElement();
    }
    if (type == QLatin1String("s"))
        value = shared.value(value.toInt());
    else if (type == QLatin1String("e") && row.fault.isEmpty())
        row.fault = QStringLiteral("セル %1 がエラー値 %2 です。").arg(reference, value);
    else if (type == QLatin1String("str"))
        value = Unescaped(value);
    while (column >= 0 && row.fields.size() < column)
        row.fields << QString();
    if (column >= row.fields.size())
        row.fields << value;
}

// False when the sheet is not well-formed XML: its rows so far may not be all it holds.
bool ReadRows(const QByteArray& sheet, const QStringList& shared, QList<csvformat::Record>& rows) {
    QXmlStreamReader xml(sheet);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("row"))
            continue;
        csvformat::Record row;
        row.line = xml.attributes().value(QLatin1String("r")).toLongLong();
        if (row.line == 0)
            row.line = rows.isEmpty() ? 1 : rows.last().line + 1;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("c"))
                ReadCell(xml, shared, row);
            else
                xml.skipCurrentElement();
        }
        // Formatting alone leaves empty cells behind the last value, and rows with none.
        while (!row.fields.isEmpty() && row.fields.last().isEmpty())
            row.fields.removeLast();
        if (!row.fields.isEmpty() || !row.fault.isEmpty())
            rows << row;
    }
    return !xml.hasError();
}

} // namespace

bool IsArchive(const QByteArray& bytes) {
    return bytes.startsWith("PK\x03\x04");
}

QString ReadFirstSheet(const QByteArray& workbook, QList<csvformat::Record>& rows) {
    const QString broken = QStringLiteral(
        "Excel ブック (.xlsx) として読めません。表計算ソフトで保存し直してください。");
    const Archive archive(workbook);
    if (!archive.IsOpen())
        return broken;
    const auto book = archive.Entry(QStringLiteral("xl/workbook.xml"));
    const auto links = archive.Entry(QStringLiteral("xl/_rels/workbook.xml.rels"));
    if (!book || !links)
        return broken;
    QString sharedPart;
    const QHash<QString, QString> targets = Relationships(*links, &sharedPart);
    const auto sheet = archive.Entry(targets.value(FirstSheetId(*book)));
    if (!sheet)
        return broken;
    const auto shared =
        sharedPart.isEmpty() ? std::optional<QByteArray>(QByteArray()) : archive.Entry(sharedPart);
    if (!shared || !ReadRows(*sheet, SharedStrings(*shared), rows))
        return broken;
    return {};
}

} // namespace workbookfile
