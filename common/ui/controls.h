#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <functional>
#include <initializer_list>

class ListEntries;
class Recordset;

// An editable drop-down list. Setting its text, clearing it or adding items never raises Click
// and never changes the text the list shows; only the user's pick of an entry raises Click.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    QString Text() const { return clearPending_ ? QString() : currentText(); }
    void SetText(const QString& text);
    // Removes every item and the text.
    void Clear();
    void AddItem(const QString& item) { AddItems({item}); }
    void AddItems(const QStringList& items);
    // Clear, then AddItems: the list holds exactly the items, the text is empty.
    void SetItems(const QStringList& items);
    QStringList Items() const;
    // Selects an entry as the user's pick does, its handler run: the entry of exactly that
    // text, else the first of which sameGroup holds. False when there is none.
    bool Pick(const QString& entry, const std::function<bool(const QString&)>& sameGroup = {});

signals:
    void Click();

protected:
    // A wheel turned over the closed list would step through its entries and pick one unasked.
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A refill empties the field only when control returns to the event loop, and only if no
    // text was set meanwhile: a refill followed by the text the field already shows changes
    // nothing on screen, and nothing a screen reader would announce.
    void ClearTextSoon();
    void ApplyPendingClear();

    ListEntries* entries_;
    bool clearPending_ = false;
    bool clearQueued_ = false;
};

// A button that a stray space never presses: typing on into what looks like a text field must
// not run a command that throws away what was typed. Enter presses it instead.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr)
        : QPushButton(caption, parent) {}

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

// A key that presses the button from anywhere on its page, shown in its tool tip; the caption
// stays as it is.
void GiveShortcut(QAbstractButton& button, const QKeySequence& key);

// Clears the lists, then gives each of them every value of the recordset's first field, row by
// row from the current row to the end. Returns those values.
QStringList FillLists(Recordset& rs, std::initializer_list<ComboBox*> lists);

// The caption beside a check box that has none of its own; a click on it toggles the box, as a
// click on a check box's own caption would.
class CheckBoxCaption : public QLabel {
    Q_OBJECT
public:
    CheckBoxCaption(const QString& text, QCheckBox* box);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QCheckBox* box_;
};

// Sets the order in which Tab moves the focus through the controls.
void SetTabOrder(const QList<QWidget*>& controls);

// A tab control whose Click reports the tab that was left, on every change, whether the user
// or the program changed it, before SetTab returns.
class TabControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget* parent = nullptr);

    int Tab() const { return shown_; }
    void SetTab(int tab);

signals:
    void Click(int previousTab);

private:
    int shown_ = -1;
};

// A progress bar that shows each new value at once, also while no event loop runs.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr) : QProgressBar(parent) {}
    void SetValue(double percent);

signals:
    // Every value set, also one equal to the last.
    void ValueSet(double percent);
};
