#pragma once

#include <QLabel>
#include <QPointer>

class QStackedLayout;

class QAccessibleInterface;

// The line under the tabs that tells what the last command did. A screen reader hears each new
// text as a notification wherever the focus is, after what the focus itself says.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent = nullptr);

    void Tell(const QString& text);
    QString Text() const;

private:
    // Each text is a line of its own: a reader takes a second notification of the same line,
    // arriving while it still works through the first, for a repeat of it and drops one. The
    // line before stays until the next, for a reader still asking about it.
    QPointer<QLabel> shown_;
    QPointer<QLabel> previous_;
    QStackedLayout* lines_;
};

// The lines of an Announcer, told as notifications.
class AnnouncedLine : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

QAccessibleInterface* AccessibleAnnouncedLine(const QString& className, QObject* object);
