#include "announcer.h"

#include <QAccessibleWidget>
#include <QVBoxLayout>

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void Announcer::Tell(const QString& text) {
    delete previous_;
    previous_ = shown_;
    if (previous_)
        previous_->hide();
    shown_ = new AnnouncedLine(this);
    shown_->setTextFormat(Qt::PlainText);
    shown_->setText(text);
    shown_->setAccessibleName(text);
    layout()->addWidget(shown_);
    show();
    shown_->show();
}

QString Announcer::Text() const {
    return shown_ ? shown_->text() : QString();
}

QAccessibleInterface* AccessibleAnnouncedLine(const QString&, QObject* object) {
    auto* line = qobject_cast<AnnouncedLine*>(object);
    return line ? new QAccessibleWidget(line, QAccessible::Notification) : nullptr;
}
