#pragma once

#include <QComboBox>
#include <QProgressBar>
#include <QStringList>
#include <QStringListModel>
#include <QTabWidget>
#include <initializer_list>

class Recordset;

// An editable drop-down list. Setting its text, clearing it or adding items never raises Click
// and never changes the text the list shows; only the user's pick of an entry raises Click.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    QString Text() const { return currentText(); }
    void SetText(const QString& text) { setEditText(text); }
    // Removes every item and the text.
    void Clear();
    void AddItem(const QString& item) { AddItems({item}); }
    void AddItems(const QStringList& items);
    QStringList Items() const;

signals:
    void Click();

private:
    QStringListModel* entries_;
};

// Clears the lists, then gives each of them every value of the recordset's first field, row by
// row from the current row to the end. Returns those values.
QStringList FillLists(Recordset& rs, std::initializer_list<ComboBox*> lists);

// A tab control whose Click reports the tab that was left, on every change, whether the user
// or the program changed it, before SetTab returns.
class TabControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget* parent = nullptr);

    int Tab() const { return shown_; }
    void SetTab(int tab) { setCurrentIndex(tab); }

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
