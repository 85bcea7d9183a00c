#pragma once

#include <QList>
#include <QString>

// Answers as the old message box numbered them.
inline constexpr int vbOK = 1;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;
// Styles: OK only, and Yes and No.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbYesNo = 4;

// The caption of the programs' own checks, warnings and failures.
inline const QString kCheckTitle = QStringLiteral("確認");

// Every message box of the programs goes through here.
class MessageBox {
public:
    struct Shown {
        QString prompt;
        int style;
        QString title;
        QString readerDetail;
    };

    // readerDetail: what a screen reader says of the box beyond its text, which the box shows
    // and the reader reads already.
    static int Show(const QString& prompt, int style, const QString& title,
                    const QString& readerDetail = {});

    // For tests: boxes are answered without being shown, by the queued answer or else by the
    // default button, and each one is recorded.
    static void SetTestMode(bool on);
    static void SetNextAnswer(int answer);
    static QList<Shown> TakeShown();
};

inline int MsgBox(const QString& prompt, int style, const QString& title,
                  const QString& readerDetail = {}) {
    return MessageBox::Show(prompt, style, title, readerDetail);
}
