#include "controls.h"

#include "listentries.h"
#include "recordset.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShortcut>
#include <algorithm>

namespace {

// Characters a list shows at least, however narrow the window.
constexpr int kMinimumContentsLength = 8;

} // namespace

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
    // The layout gives each list its width. Sized to its contents, a list would measure every
    // entry it holds, 100,000 at a time, before the window could first be shown.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(kMinimumContentsLength);
    // Whole lists arrive at once; the model takes them in one step, not one item at a time.
    entries_ = new ListEntries(this);
    setModel(entries_);
    connect(this, &QComboBox::activated, this, &ComboBox::Click);
    // A reader hears which entry was picked: on this desktop a list's name is its text, and a
    // change of it goes unsaid; a change of its selection is said.
    connect(this, &QComboBox::activated, this, [this] {
        QAccessibleEvent picked(this, QAccessible::Selection);
        QAccessible::updateAccessibility(&picked);
    });
    // Any change of the field, the user's or the program's, supersedes a pending clear.
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] { clearPending_ = false; });
    lineEdit()->installEventFilter(this);
}

void ComboBox::SetText(const QString& text) {
    clearPending_ = false;
    if (currentText() != text)
        setEditText(text);
}

bool ComboBox::Pick(const QString& entry, const std::function<bool(const QString&)>& sameGroup) {
    ApplyPendingClear();
    int index = findText(entry, Qt::MatchExactly);
    if (index < 0 && sameGroup) {
        const QStringList items = Items();
        index = int(std::find_if(items.begin(), items.end(), sameGroup) - items.begin());
    }
    if (index < 0 || index >= count())
        return false;
    setCurrentIndex(index);
    emit activated(index);
    return true;
}

void ComboBox::Clear() {
    SetItems({});
}

void ComboBox::AddItems(const QStringList& items) {
    // A plain combo box selects the first item added to an empty list and shows it; keep the
    // text as it was instead.
    const QString text = Text();
    entries_->Replace(entries_->Items() + items);
    if (currentIndex() != -1)
        setCurrentIndex(-1);
    SetText(text);
}

void ComboBox::wheelEvent(QWheelEvent* event) {
    // The open list scrolls by itself; the wheel goes on to whatever holds the closed one.
    event->ignore();
}

bool ComboBox::eventFilter(QObject* watched, QEvent* event) {
    // The user meets the field as the program left it.
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn:
        ApplyPendingClear();
        break;
    default:
        break;
    }
    return QComboBox::eventFilter(watched, event);
}

void ComboBox::SetItems(const QStringList& items) {
    // The list is shared, not copied: a full list of a large catalogue is refilled often, and
    // mostly with the very list it holds.
    entries_->Replace(items);
    if (currentIndex() != -1)
        setCurrentIndex(-1);
    ClearTextSoon();
}

void ComboBox::ClearTextSoon() {
    if (currentText().isEmpty())
        return;
    clearPending_ = true;
    if (clearQueued_)
        return;
    clearQueued_ = true;
    QMetaObject::invokeMethod(this, &ComboBox::ApplyPendingClear, Qt::QueuedConnection);
}

void ComboBox::ApplyPendingClear() {
    clearQueued_ = false;
    if (clearPending_)
        clearEditText();
}

QStringList ComboBox::Items() const {
    return entries_->Items();
}

QStringList FillLists(Recordset& rs, std::initializer_list<ComboBox*> lists) {
    QStringList values;
    for (; !rs.Eof(); rs.MoveNext())
        values << rs.Fields(0).Text();
    for (ComboBox* list : lists)
        list->SetItems(values);
    return values;
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
        event->accept();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        animateClick();
        break;
    default:
        QPushButton::keyPressEvent(event);
    }
}

void CommandButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space)
        event->accept();
    else
        QPushButton::keyReleaseEvent(event);
}

CheckBoxCaption::CheckBoxCaption(const QString& text, QCheckBox* box) : QLabel(text), box_(box) {
    setBuddy(box);
    setTextFormat(Qt::PlainText);
    box->setAccessibleName(text);
}

void CheckBoxCaption::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && box_->isEnabled() && rect().contains(event->pos()))
        box_->click();
    QLabel::mouseReleaseEvent(event);
}

void SetTabOrder(const QList<QWidget*>& controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

TabControl::TabControl(QWidget* parent) : QTabWidget(parent) {
    connect(this, &QTabWidget::currentChanged, this, [this](int tab) {
        const int previous = shown_;
        shown_ = tab;
        if (previous >= 0 && previous != tab)
            emit Click(previous);
    });
}

// Left to itself, Qt hands the focus of the page being left to the next control in the chain, the
// tab bar, before the page shown takes it, and a reader is told of both. The focus goes straight to
// the control the page shown had last, and only once the change's handler has refilled that page:
// a grid refilled under the focus would be read out again, row by row.
void TabControl::SetTab(int tab) {
    QWidget* leaving = currentWidget();
    QWidget* shown = widget(tab);
    QWidget* focus = QApplication::focusWidget();
    QWidget* next = shown && leaving != shown && focus && leaving->isAncestorOf(focus)
                        ? shown->focusWidget()
                        : nullptr;
    if (next) {
        const int previous = shown_;
        shown_ = tab;
        emit Click(previous);
        next->setFocus(Qt::OtherFocusReason);
    }
    setCurrentIndex(tab);
}

void ProgressBar::SetValue(double percent) {
    setValue(int(percent));
    repaint();
    emit ValueSet(percent);
}

void GiveShortcut(QAbstractButton& button, const QKeySequence& key) {
    // Pressed at once, as a click: a button's own shortcut clicks it only after a pause, and the
    // next key could reach the window before the command has run. A shortcut belongs to its
    // button and works only while that button is shown and enabled.
    QObject::connect(new QShortcut(key, &button), &QShortcut::activated, &button,
                     &QAbstractButton::click);
    button.setToolTip(
        QStringLiteral("%1 (%2)").arg(button.text(), key.toString(QKeySequence::NativeText)));
}
