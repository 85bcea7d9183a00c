#pragma once

// TITLE.TXT keeps the catalogue's title settings in the layout BASIC
// writes with Write # and reads back with Input #: Shift-JIS (code page 932), one quoted
// value per line, CR LF line ends, nothing escaped.

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace titlefile {

// Thrown for every failure; what() is a short Japanese message (UTF-8) meant for a message box.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Hands out the values of a file one at a time, parsed the way Input # parses them, except that
// a quote closes a quoted value only before a comma or a line end, so a title may hold quotes.
class InputFile {
public:
    explicit InputFile(const QString& path);
    QString Input();

private:
    void skipBlanks();
    QByteArray quotedField();
    QByteArray plainField();
    void skipToFieldEnd();
    void skipSeparator();

    QString name_;
    QByteArray data_;
    qsizetype pos_ = 0;
    // A trailing comma promises one more (empty) value even at the end of the data.
    bool fieldPending_ = false;
};

// Collects values as Write # would. Nothing touches the disk until Close(), so a save that is
// abandoned half way (or never closed) leaves the previous file as it was.
class OutputFile {
public:
    explicit OutputFile(const QString& path);
    void Write(const QString& value);
    // Replaces the file whole or throws FileError naming it and the reason, the old file kept.
    // Temporary files left by a save that was killed half way are cleared away first.
    void Close();

private:
    QString path_;
    QByteArray data_;
};

// True when the text can be written without loss (after the usual look-alike substitutions).
bool CanEncode(const QString& text);

// False when a quote in the text could be taken for the one that closes the value.
bool ReadsBackWhole(const QString& text);

} // namespace titlefile
