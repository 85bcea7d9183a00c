#include "shiftjis.h"

#include <QList>
#include <utility>

namespace shiftjis {

namespace {

// Without Stateless a converter keeps a character cut short at the end of the data for a next
// call that never comes.
constexpr auto kWhole = QStringConverter::Flag::Stateless;

// Linux input methods produce the Unicode-standard forms of these characters, while code page
// 932 only holds Microsoft's look-alikes; without this users could not save what they see.
QString ToCp932Forms(QString text) {
    static constexpr std::pair<char16_t, char16_t> kForms[] = {
        {0x301C, 0xFF5E}, {0x2016, 0x2225}, {0x2212, 0xFF0D}, {0x00A2, 0xFFE0},
        {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2}, {0x2014, 0x2015},
    };
    for (const auto& [from, to] : kForms)
        text.replace(QChar(from), QChar(to));
    return text;
}

} // namespace

Encoder::Encoder() : encoder_(kCodec, kWhole) {}

std::optional<QByteArray> Encoder::Encode(const QString& text) {
    // ICU drops a lone surrogate without reporting an error.
    if (!text.isValidUtf16() || !encoder_.isValid())
        return std::nullopt;
    QByteArray bytes = encoder_.encode(ToCp932Forms(text));
    if (!encoder_.hasError())
        return bytes;
    // The flag stays raised for every later text; a fresh converter judges the next one alone.
    encoder_ = QStringEncoder(kCodec, kWhole);
    return std::nullopt;
}

std::optional<QByteArray> Encode(const QString& text) {
    return Encoder().Encode(text);
}

QString FirstUnencodable(const QString& text) {
    Encoder encoder;
    for (const char32_t c : text.toUcs4()) {
        if (const QString one = QString::fromUcs4(&c, 1); !encoder.Encode(one))
            return QStringLiteral("「%1」(U+%2)")
                .arg(one, QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
    }
    return {};
}

} // namespace shiftjis
