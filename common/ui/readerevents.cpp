#include "readerevents.h"

#include "announcer.h"
#include "cataloguewindow.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>

namespace {

bool AlwaysTold(QAccessible::Event type) {
    switch (type) {
    case QAccessible::Alert:
    case QAccessible::DialogStart:
    case QAccessible::DialogEnd:
    case QAccessible::PopupMenuStart:
    case QAccessible::PopupMenuEnd:
        return true;
    default:
        return false;
    }
}

// The control whose focus a reader was last told of.
QPointer<QObject> focusTold;

// A field entered by Tab selects its text before the reader is told of the focus; told, the
// selection would be read out, and then the field again with its text.
bool SelectedOnTheWayIn(const QAccessibleEvent& event) {
    return (event.type() == QAccessible::TextSelectionChanged ||
            event.type() == QAccessible::TextCaretMoved) &&
           QApplication::focusWidget() != focusTold;
}

bool Told(const QAccessibleEvent& event) {
    if (AlwaysTold(event.type()))
        return true;
    if (SelectedOnTheWayIn(event))
        return false;
    auto* widget = qobject_cast<QWidget*>(event.object());
    if (!widget)
        return true;
    // A line of the status is named before it shows, and heard once, as it shows.
    if (qobject_cast<AnnouncedLine*>(widget))
        return event.type() != QAccessible::NameChanged;
    QWidget* window = widget->window();
    // The title of a catalogue window tells what undo would take back; read when asked for.
    if (widget == window)
        return !(qobject_cast<CatalogueWindow*>(window) &&
                 event.type() == QAccessible::NameChanged);
    // A list's entries refilled while it is closed, a box's text set before it is shown.
    if (!window->isVisible())
        return false;
    if (!qobject_cast<CatalogueWindow*>(window))
        return true;
    // The control with the focus, what it lies in (a tab shown with it), and its own parts. A grid
    // says its current cell has the focus whenever the cell changes, the focus elsewhere or not.
    const QWidget* focus = QApplication::focusWidget();
    return focus && (widget == focus || widget->isAncestorOf(focus) || focus->isAncestorOf(widget));
}

QAccessible::UpdateHandler bridge = nullptr;

void Filter(QAccessibleEvent* event) {
    if (!Told(*event))
        return;
    if (event->type() == QAccessible::Focus)
        focusTold = event->object();
    if (bridge) {
        bridge(event);
        return;
    }
    // Qt's own bridge, reached as it is without a handler of ours.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(Filter);
}

} // namespace

void TellReadersOnlyWhereTheUserIs() {
    static const bool installed = (bridge = QAccessible::installUpdateHandler(Filter), true);
    Q_UNUSED(installed);
}
