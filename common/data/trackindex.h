#pragma once

#include "database.h"
#include "tracktable.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

// Every track of a catalogue in a form quick to search as the user types, in browsing order,
// each read on a read-only connection of its own. A million tracks take a few tens of megabytes:
// each track keeps its own folded texts, while the two names it is filed under (artist and album,
// or disc and artist) are kept once for each run of tracks that share them. The displayed texts of
// a track are read when they are needed, with bound parameters.
class TrackIndex {
public:
    // A track's place in browsing order.
    using Track = quint32;

    // What a search looks through, read on a connection of its own, so a window can read it on
    // another thread while it goes on answering the user.
    struct Tracks;

    // Opens the catalogue; the tracks come with Take. Throws DbError naming the catalogue when
    // it cannot be opened.
    TrackIndex(const QString& catalogue, Program program);
    ~TrackIndex();

    // ID first, then the program's columns.
    const QStringList& Columns() const { return columns_; }

    // Counts the catalogue's commits by any connection, the window's own included.
    qint64 DataVersion() const;
    // What DataVersion said before the tracks taken were read; -1 before any were.
    qint64 VersionRead() const { return version_; }
    // Reads every track; null when cancelled first. Throws DbError naming the catalogue.
    static std::shared_ptr<const Tracks> Read(const QString& catalogue, Program program,
                                              const std::atomic<bool>& cancelled);
    // Searches the tracks read from now on; VERSION is what DataVersion said before the read.
    void Take(std::shared_ptr<const Tracks> tracks, qint64 version);
    // Finds the tracks any of whose texts contains the text, compared folded, and answers how
    // many: all tracks for "", none before any are taken. A text that extends the one before is
    // looked for among that one's tracks alone.
    size_t Find(const QString& text);
    // What the last Find found, in browsing order.
    size_t FoundCount() const;
    Track Found(size_t result) const;
    qint64 Id(Track track) const;
    // The texts of one track as the window shows them, by column; empty when it is gone.
    QStringList Row(qint64 id);
    const QString& Catalogue() const { return catalogue_; }
    Program ProgramOf() const { return program_; }

private:
    class Loader;

    std::vector<Track> FindAll(std::string_view needle, const std::vector<char>& namesMatch) const;
    void FindInRuns(size_t from, size_t to, std::string_view needle,
                    const std::vector<char>& namesMatch, std::vector<Track>& found) const;
    void FindInTracks(Track from, Track to, std::string_view needle,
                      std::vector<Track>& found) const;
    std::vector<Track> FindAmong(const std::vector<Track>& candidates, std::string_view needle,
                                 const std::vector<char>& namesMatch) const;
    std::vector<char> NamesContaining(std::string_view needle) const;

    QString catalogue_;
    Program program_;
    std::unique_ptr<Database> db_;
    QStringList columns_;
    StatementHandle rowQuery_;
    std::shared_ptr<const Tracks> tracks_;
    QByteArray lastNeedle_;
    // Every track, without a list of them: a million take megabytes.
    bool all_ = false;
    std::vector<Track> found_;
    QHash<qint64, QStringList> rows_;
    qint64 version_ = -1;
};
