#pragma once

#include "database.h"
#include "tracktable.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

// Every track of a catalogue in a form quick to search as the user types, in browsing order,
// read on a read-only connection of its own. A million tracks take a few tens of megabytes: each
// track keeps its own folded texts, while the two names it is filed under (artist and album, or
// disc and artist) are kept once for each run of tracks that share them. The displayed texts of
// a track are read when they are needed, with bound parameters.
class TrackIndex {
public:
    // A track's place in browsing order.
    using Track = quint32;

    // Throws DbError naming the catalogue when it cannot be read.
    TrackIndex(const QString& catalogue, Program program);

    // ID first, then the program's columns.
    const QStringList& Columns() const { return columns_; }

    // Reads the tracks again when another connection, the window's own included, has written
    // since they were read. True when it did.
    bool Refresh();
    // The tracks any of whose texts contains the text, compared folded; all tracks for "". A
    // text that extends the one before is looked for among that one's tracks alone.
    const std::vector<Track>& Find(const QString& text);
    qint64 Id(Track track) const { return ids_[track]; }
    // The texts of one track as the window shows them, by column; empty when it is gone.
    QStringList Row(qint64 id);

private:
    struct Names {
        Track start;
        quint32 first;
        quint32 second;
    };
    class Loader;

    void Load();
    qint64 DataVersion() const;
    bool LineContains(Track track, const QByteArray& needle) const;
    void FindAll(const QByteArray& needle, const std::vector<char>& namesMatch);
    void FindInRuns(size_t from, size_t to, const QByteArray& needle,
                    const std::vector<char>& namesMatch, std::vector<Track>& found) const;
    void FindAmong(std::vector<Track> candidates, const QByteArray& needle,
                   const std::vector<char>& namesMatch);
    std::vector<char> NamesContaining(const QByteArray& needle) const;

    Program program_;
    std::unique_ptr<Database> db_;
    QStringList columns_;
    StatementHandle rowQuery_;
    // The folded names, one after another, and where each starts.
    std::string names_;
    std::vector<quint32> nameStarts_;
    std::vector<Names> runs_;
    // Each track's own folded texts, one after another, and where each track's start.
    std::string lines_;
    std::vector<quint32> lineStarts_;
    std::vector<qint64> ids_;
    QByteArray lastNeedle_;
    std::vector<Track> found_;
    QHash<qint64, QStringList> rows_;
    qint64 dataVersion_ = -1;
};
