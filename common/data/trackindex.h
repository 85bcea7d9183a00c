#pragma once

#include "database.h"
#include "tracktable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// Text as the search compares it: compatibility forms folded (full-width Latin and digits to
// ASCII, half-width katakana to full-width), then case.
QString FoldForSearch(const QString& text);

// Every track of a catalogue in a form quick to search as the user types: one folded line of
// each track's texts, in browsing order, read on a read-only connection of its own. The
// displayed texts of a track are read when they are needed, with bound parameters.
class TrackIndex {
public:
    // Throws DbError naming the catalogue when it cannot be read.
    TrackIndex(const QString& catalogue, Program program);

    // ID first, then the program's columns.
    const QStringList& Columns() const { return columns_; }

    // Reads the tracks again when another connection, the window's own included, has written
    // since they were read. True when it did.
    bool Refresh();
    // The tracks any of whose texts contains the text, compared folded; all tracks for "".
    QList<qint64> Find(const QString& text) const;
    // The texts of one track as the window shows them, by column; empty when it is gone.
    QStringList Row(qint64 id);

private:
    void Load();
    qint64 DataVersion() const;

    struct Entry {
        qint64 id;
        QString folded;
    };
    Program program_;
    std::unique_ptr<Database> db_;
    QStringList columns_;
    StatementHandle rowQuery_;
    std::vector<Entry> entries_;
    QHash<qint64, QStringList> rows_;
    qint64 dataVersion_ = -1;
};
