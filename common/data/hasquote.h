#pragma once

#include <QString>

// True when the text holds a single quote. Names that would be
// spliced into a statement are refused with it, so the stored names never hold a quote.
bool HasQuote(const QString& text);

// True when the text holds U+0000. A spliced statement would end at it, so a stored name holding
// one could never be listed, corrected or deleted again.
bool HasNul(const QString& text);
