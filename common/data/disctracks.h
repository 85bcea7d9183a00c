#pragma once

#include "trackadd.h"
#include "trackcsv.h"
#include "tracktable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The titles of one disc as the tools collectors already use write them: the title CSV of Web
// MiniDisc Pro, CUE sheets, freedb (xmcd) entries and plain track lists. The kind is told from
// the content, never from the file's name.
namespace disctracks {

enum class Source { MiniDisc, Cue, Freedb, PlainText };

struct Track {
    qint64 line = 0;        // where the file gives the track, from 1
    QString number;         // as the source writes it
    QString title;          // full-width where a MiniDisc holds both
    QString halfWidthTitle; // a MiniDisc's half-width title
    QString artist;         // where the source names one for each track
    QString group;          // a MiniDisc group's title, which files its tracks as an album
    std::optional<int> seconds;
};

struct Disc {
    Source source = Source::PlainText;
    QString album;
    QString halfWidthAlbum;
    QString artist;
    // A MiniDisc whose titles are given in full-width characters too.
    bool fullWidth = false;
    // The recording mode of a MiniDisc's tracks (SP, LP2, LP4, or a Hi-MD codec).
    QString encoding;
    QList<Track> tracks;
};

struct Read {
    Disc disc;
    QList<trackcsv::Problem> problems; // empty when the disc was read
};

// A MiniDisc holds at most this many tracks; a Hi-MD's tracks are as long as this at most.
inline constexpr int kMostTracks = 254;
inline constexpr int kLongestTrack = 99 * 3600 + 59 * 60 + 59;

// Seconds written whole, with a fraction, as m:ss or as h:mm:ss; nothing for what cannot be a
// track's length.
std::optional<int> ParseSeconds(const QString& text);
// Said when a file holds more tracks than a MiniDisc, at the first that does not fit.
std::optional<trackcsv::Problem> TooManyTracks(const Disc& disc);

// What the bytes hold, in UTF-8 (with or without its byte order mark) or CP932.
Read ReadDisc(const QByteArray& bytes);
// The same from a file; one that cannot be read whole is a problem naming it, at line 0.
Read ReadDiscFile(const QString& path);

// Each source's own reader, from the decoded text.
Read ReadMiniDisc(const QString& text);
Read ReadFreedb(const QString& text);
Read ReadPlainText(const QString& text);
// Through libcue; its own file, since it is the one reader that needs a library.
Read ReadCue(const QString& text);

// What the user files the disc under: caldrin's album and artist, trensoly's disc number and
// artist. A track's own artist, or its group, comes before these.
struct Filing {
    QString albumOrDisc;
    QString artist;
    bool halfWidth = false;
};

QList<trackadd::NewTrack> TracksToAdd(const Disc& disc, Program program, const Filing& filing);
// The track's title in the form chosen, the other when that one is empty; the disc's title too.
QString TitleOf(const Track& track, bool halfWidth);
QString AlbumOf(const Disc& disc, bool halfWidth);

// Minutes and seconds, "3:45", as long as they run: "74:00".
QString Duration(int seconds);

// A MiniDisc's length and recording mode: LP2 holds twice SP's time, LP4 four times.
struct Medium {
    int minutes;
    int speed;
    QString mode;
    QString Name() const; // "74分 SP"
};
// 60, 74 and 80 minutes, in SP, LP2 and LP4.
const QList<Medium>& Media();
// "合計 45:10 ／ 74分 SP で残り 28:50": the tracks' time against what the disc holds.
QString TimeLine(const QList<Track>& tracks, const Medium& medium);

} // namespace disctracks
