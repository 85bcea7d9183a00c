#include "hasquote.h"

// Trailing spaces are never quotes, so looking at the whole text gives the same answer as
// looking up to the last non-space character, for texts of any length.
bool HasQuote(const QString& text) {
    return text.contains(QLatin1Char('\''));
}

bool HasNul(const QString& text) {
    return text.contains(QChar(u'\0'));
}
