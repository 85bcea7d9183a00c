#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// The number a track-number text stands for: plain decimal notation with optional sign, point,
// exponent and surrounding blanks. Full-width digits, as a Japanese input method types them,
// count as digits. Anything else, and numbers too large for a double, give nothing.
std::optional<double> ParseNumber(const QString& text);

// The number a track-number text stands for, as it is stored: a whole number that fits 64 bits
// exactly as written, any other as the nearest double; nothing for what ParseNumber refuses.
std::optional<QVariant> ParseStoredNumber(const QString& text);

// A number as a person writes it: 7, 1.5, 1E+20; never 7.0. The fewest digits that still read
// back as the same double, so 0.30000000000000004 is never shown or written as 0.3.
QString NumberToText(double value);

// The stored form of a number: whole numbers stay whole.
QVariant StoredNumber(double value);

// A field value as text: numbers by NumberToText, Null as the empty string.
QString ValueToText(const QVariant& value);
