#include "searchtext.h"

namespace {

bool IsAscii(std::string_view text) {
    for (const char c : text)
        if (uchar(c) >= 0x80)
            return false;
    return true;
}

bool IsAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// Characters that neither compatibility folding nor case folding changes: kana, the common
// kanji, the ideographic comma and full stop. Most Japanese titles are made of these and ASCII.
bool FoldsToItself(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x3041 && u <= 0x3096) || (u >= 0x30A1 && u <= 0x30FC) ||
           (u >= 0x4E00 && u <= 0x9FFF) || u == 0x3001 || u == 0x3002;
}

bool FoldsAsAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80 && !FoldsToItself(c))
            return false;
    return true;
}

void AppendLowerAscii(std::string& out, std::string_view text) {
    for (const char c : text)
        out += c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

QString FoldForSearch(const QString& text) {
    if (IsAscii(text))
        return text.toCaseFolded();
    return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

void AppendFolded(std::string& out, std::string_view utf8) {
    if (IsAscii(utf8))
        return AppendLowerAscii(out, utf8);
    const QString decoded = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    if (FoldsAsAscii(decoded))
        return AppendLowerAscii(out, utf8);
    out += FoldForSearch(decoded).toStdString();
}

const char* FindIn(std::string_view text, std::string_view needle) {
    const char* hit = nullptr;
    ForEachOccurrence(text, needle, [&](size_t at) {
        hit = text.data() + at;
        return kNoFurther;
    });
    return hit;
}
