#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

// Text as the search compares it: compatibility forms folded (full-width Latin and digits to
// ASCII, half-width katakana to full-width), then case.
QString FoldForSearch(const QString& text);

// Appends UTF-8 text folded as FoldForSearch folds it. Where folding could only lower ASCII
// letters, the bytes are lowered as they are: normalising a million titles takes seconds.
void AppendFolded(std::string& out, std::string_view utf8);

// Where the needle first occurs in the text; null when nowhere.
const char* FindIn(std::string_view text, const QByteArray& needle);
