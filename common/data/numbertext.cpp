#include "numbertext.h"

#include "columnname.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

// Whole numbers up to this size are exact in a double and printed without an exponent.
constexpr double kLargestPlainWhole = 1e15;

} // namespace

std::optional<double> ParseNumber(const QString& text) {
    // Nearly every track number is a few plain digits, read without the pattern.
    constexpr qsizetype kPlainDigits = 9;
    if (!text.isEmpty() && text.size() <= kPlainDigits &&
        std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        int value = 0;
        for (const QChar c : text)
            value = value * 10 + (c.unicode() - u'0');
        return value;
    }
    static const QRegularExpression plain(
        QStringLiteral(R"(^[ \t]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?[ \t]*$)"));
    // A Japanese input method types full-width digits, signs and points.
    const QString folded = HalfWidth(text);
    if (!plain.match(folded).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = folded.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<QVariant> ParseStoredNumber(const QString& text) {
    const std::optional<double> number = ParseNumber(text);
    if (!number)
        return std::nullopt;
    // Below 2^53 a double holds every whole number exactly; past it, only the text has them all.
    constexpr double kExactWholes = 9007199254740992.0;
    if (std::fabs(*number) < kExactWholes)
        return StoredNumber(*number);
    static const QRegularExpression whole(QStringLiteral(R"(^[ \t]*[+-]?[0-9]+[ \t]*$)"));
    if (const QString folded = HalfWidth(text); whole.match(folded).hasMatch()) {
        bool fits = false;
        const qint64 exact = folded.trimmed().toLongLong(&fits);
        if (fits)
            return QVariant(exact);
    }
    return StoredNumber(*number);
}

QString NumberToText(double value) {
    if (value == std::trunc(value) && std::fabs(value) < kLargestPlainWhole)
        return QString::number(qint64(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest).toUpper();
}

QVariant StoredNumber(double value) {
    if (value == std::trunc(value) && std::fabs(value) < kLargestPlainWhole)
        return QVariant(qint64(value));
    return QVariant(value);
}

QString ValueToText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
        return NumberToText(value.toDouble());
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QString::number(value.toLongLong());
    default:
        return value.isNull() ? QString() : value.toString();
    }
}
