#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <optional>

// The one way the programs and tools write Shift-JIS, for TITLE.TXT and CSV alike: Microsoft's
// code page 932, which Windows and its spreadsheets read, with the characters Japanese input
// methods type (〜, −, ‖, ¢, £, ¬, —) written as that code page's look-alikes.
namespace shiftjis {

// ICU's name for code page 932; plain "Shift_JIS" lacks the NEC and IBM extensions.
inline constexpr char kCodec[] = "windows-31j";

class Encoder {
public:
    Encoder();
    // False when this system cannot convert to code page 932 at all.
    bool IsValid() const { return encoder_.isValid(); }
    // The bytes, or nothing when a character has no code there (a lone surrogate included).
    std::optional<QByteArray> Encode(const QString& text);

private:
    QStringEncoder encoder_;
};

std::optional<QByteArray> Encode(const QString& text);

// The first character of text that cannot be written, for a message: 「😀」(U+1F600); empty
// when there is none.
QString FirstUnencodable(const QString& text);

} // namespace shiftjis
