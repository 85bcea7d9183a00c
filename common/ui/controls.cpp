#include "controls.h"

#include "recordset.h"

#include <QLineEdit>
#include <QStringListModel>

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // A typed text equal to an entry would select that entry on Enter or when the field loses
    // the focus; typing is never a pick.
    disconnect(lineEdit(), SIGNAL(returnPressed()), this, nullptr);
    disconnect(lineEdit(), SIGNAL(editingFinished()), this, nullptr);
    // An inline completer would turn a typed "Blue" into an existing "Blue Harbor" unasked.
    setCompleter(nullptr);
    setMaxVisibleItems(20);
    // Whole lists arrive at once; a string list takes them in one step, not one item at a time.
    entries_ = new QStringListModel(this);
    setModel(entries_);
    connect(this, &QComboBox::activated, this, &ComboBox::Click);
}

void ComboBox::Clear() {
    entries_->setStringList({});
    clearEditText();
}

void ComboBox::AddItems(const QStringList& items) {
    // A plain combo box selects the first item added to an empty list and shows it; keep the
    // text as it was instead.
    const QString text = currentText();
    entries_->setStringList(entries_->stringList() + items);
    if (currentIndex() != -1)
        setCurrentIndex(-1);
    setEditText(text);
}

QStringList ComboBox::Items() const {
    return entries_->stringList();
}

QStringList FillLists(Recordset& rs, std::initializer_list<ComboBox*> lists) {
    QStringList values;
    for (; !rs.Eof(); rs.MoveNext())
        values << rs.Fields(0).Text();
    for (ComboBox* list : lists) {
        list->Clear();
        list->AddItems(values);
    }
    return values;
}

TabControl::TabControl(QWidget* parent) : QTabWidget(parent) {
    connect(this, &QTabWidget::currentChanged, this, [this](int tab) {
        const int previous = shown_;
        shown_ = tab;
        if (previous >= 0 && previous != tab)
            emit Click(previous);
    });
}

void ProgressBar::SetValue(double percent) {
    setValue(int(percent));
    repaint();
    emit ValueSet(percent);
}
