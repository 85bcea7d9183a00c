#include "msgbox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

bool testMode = false;
QList<int> queuedAnswers;
QList<MessageBox::Shown> shown;

int ShowReal(const QString& prompt, int style, const QString& title, const QString& detail) {
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::NoButton,
                    QApplication::activeWindow());
    // Prompts carry titles, names and paths the user typed; none of it is markup.
    box.setTextFormat(Qt::PlainText);
    // A screen reader announces an alert by its name, the text it shows and its description;
    // the text in the description too would be said twice.
    box.setAccessibleName(title);
    box.setAccessibleDescription(detail);
    if (style == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? vbYes : vbNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return vbOK;
}

} // namespace

int MessageBox::Show(const QString& prompt, int style, const QString& title,
                     const QString& readerDetail) {
    if (!testMode)
        return ShowReal(prompt, style, title, readerDetail);
    shown.append({prompt, style, title, readerDetail});
    if (!queuedAnswers.isEmpty())
        return queuedAnswers.takeFirst();
    return style == vbYesNo ? vbYes : vbOK;
}

void MessageBox::SetTestMode(bool on) {
    testMode = on;
}

void MessageBox::SetNextAnswer(int answer) {
    queuedAnswers.append(answer);
}

QList<MessageBox::Shown> MessageBox::TakeShown() {
    return std::exchange(shown, {});
}
