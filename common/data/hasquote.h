#pragma once

#include <QString>

// True when the text holds a single quote. Names that would be
// spliced into a statement are refused with it, so the stored names never hold a quote.
bool HasQuote(const QString& text);
