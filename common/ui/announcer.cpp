#include "announcer.h"

#include <QAccessibleWidget>
#include <QStackedLayout>

// The newest line covers the one before, which stays shown beneath it: hiding it would be one more
// event for a reader to work through.
Announcer::Announcer(QWidget* parent) : QWidget(parent), lines_(new QStackedLayout(this)) {
    lines_->setStackingMode(QStackedLayout::StackAll);
    lines_->setContentsMargins(0, 0, 0, 0);
    // One line high, whatever the lines beneath.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void Announcer::Tell(const QString& text) {
    delete previous_;
    previous_ = shown_;
    shown_ = new AnnouncedLine(this);
    shown_->setAutoFillBackground(true);
    shown_->setTextFormat(Qt::PlainText);
    shown_->setText(text);
    shown_->setAccessibleName(text);
    lines_->setCurrentIndex(lines_->addWidget(shown_));
    show();
}

QString Announcer::Text() const {
    return shown_ ? shown_->text() : QString();
}

QAccessibleInterface* AccessibleAnnouncedLine(const QString&, QObject* object) {
    auto* line = qobject_cast<AnnouncedLine*>(object);
    return line ? new QAccessibleWidget(line, QAccessible::Notification) : nullptr;
}
