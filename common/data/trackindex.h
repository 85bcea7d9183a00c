#pragma once

#include "database.h"
#include "linestarts.h"
#include "tracktable.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <functional>
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

    // Reads every track; null when cancelled first. The first tracks, in browsing order, are
    // handed to firstPart as soon as they are read, so that they can be searched while the rest
    // is read. Throws DbError naming the catalogue.
    using FirstPart = std::function<void(std::shared_ptr<const Tracks>)>;
    static std::shared_ptr<const Tracks> Read(const QString& catalogue, Program program,
                                              const std::atomic<bool>& cancelled,
                                              const FirstPart& firstPart = {});
    // Searches the tracks read from now on.
    void Take(std::shared_ptr<const Tracks> tracks);
    bool HasTracks() const { return tracks_ != nullptr; }
    // After a committed write of the program's own: the track's values as now stored, by the
    // program's columns, or none once it is deleted. The next Find sees it in its place, without
    // every track read anew. Throws DbError naming the catalogue.
    void Written(qint64 id, const QList<QVariant>& now);
    // So many writes followed that reading every track anew would cost less than following more.
    bool FollowedTooMany() const;
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
    class Folder;

    // Makes found_ the tracks any of whose texts holds the needle.
    void FindAll(std::string_view needle, const std::vector<char>& namesMatch);
    void FindInRuns(size_t from, size_t to, std::string_view needle,
                    const std::vector<char>& namesMatch, Track*& out) const;
    void FindInTracks(Track from, Track to, std::string_view needle, Track*& out) const;
    void FindByteInTracks(LineStarts::Walker line, Track to, char byte, Track*& out) const;
    std::vector<Track> FindAmong(const std::vector<Track>& candidates, std::string_view needle,
                                 const std::vector<char>& namesMatch) const;
    std::vector<char> NamesContaining(std::string_view needle) const;
    // Puts the tracks written since the read among the results, in browsing order, and takes out
    // those read before that are gone or changed since.
    void MergeWritten(std::string_view needle);
    // The first track read that comes after the one of that ID in browsing order.
    Track PlaceAmongRead(qint64 id);
    // The first track read from that one on that is neither changed nor deleted since.
    Track FirstShownFrom(Track track) const;
    // Moves the results that are tracks written from that place on by so many places.
    void Renumber(Track from, int by);
    bool ComesBefore(qint64 id, qint64 other);

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

    // A track written since the read: a Track number of Count() and on, by its place here.
    struct WrittenTrack {
        qint64 id;
        Track before;
        std::string line;
    };
    // In browsing order.
    std::vector<WrittenTrack> written_;
    // The tracks read that have been changed or deleted since; empty while none is.
    std::vector<bool> gone_;
    StatementHandle orderQuery_;
};
