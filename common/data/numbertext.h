#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// The number a track-number text stands for: plain decimal notation with optional sign, point,
// exponent and surrounding blanks. Full-width digits, as a Japanese input method types them,
// count as digits. Anything else, and numbers too large for a double, give nothing.
std::optional<double> ParseNumber(const QString& text);

// A number as a person writes it: 7, 1.5, 1E+20; never 7.0.
QString NumberToText(double value);

// The stored form of a number: whole numbers stay whole.
QVariant StoredNumber(double value);

// A field value as text: numbers by NumberToText, Null as the empty string.
QString ValueToText(const QVariant& value);
