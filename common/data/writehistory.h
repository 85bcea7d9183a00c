#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>

class Database;

// The window's own writes of this run, so that each can be taken back and done again.
namespace writehistory {

// One track's values in the program's columns before and after a write; no values, no row.
struct RowChange {
    qint64 id = 0;
    QList<QVariant> before, after;
};

// What one command wrote: one track, or every track of an import.
struct Step {
    QString command;
    QString track;
    QList<RowChange> rows;
};

enum class Direction { Undo, Redo };

class History {
public:
    // A new write ends what could be done again.
    void Record(Step step);
    // The step the direction would take next, or null.
    const Step* Next(Direction direction) const;
    // The step was taken: it can now be taken the other way.
    void Taken(Direction direction);
    // The step cannot be taken any more (another copy changed its tracks).
    void Drop(Direction direction);

    // Far more than a user takes back in one sitting, and little memory.
    static constexpr int kLimit = 1000;

private:
    std::deque<Step>& From(Direction direction) {
        return direction == Direction::Undo ? undo_ : redo_;
    }
    std::deque<Step> undo_, redo_;
};

// The stored values of the row in the columns given; none when there is no such row.
QList<QVariant> StoredValues(Database& db, const QStringList& columns, qint64 id);

// Puts every row of the step back as it was before it (Undo) or after it (Redo), in one
// transaction. False, with nothing changed, when any row no longer holds what the step left,
// because another copy changed or deleted it since.
bool Apply(Database& db, const QStringList& columns, const Step& step, Direction direction);

} // namespace writehistory
