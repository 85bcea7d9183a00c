#include "disctracks.h"

#include "csvformat.h"

#include <QFile>
#include <QRegularExpression>
#include <cmath>

namespace disctracks {

namespace {

using trackcsv::Problem;

const QStringList kMiniDiscHeaders = {
    QStringLiteral("INDEX,GROUP RANGE,GROUP NAME,GROUP FULL WIDTH NAME,NAME,FULL WIDTH NAME,"
                   "HIMD ALBUM,HIMD ARTIST,DURATION,ENCODING,BITRATE"),
    QStringLiteral("INDEX,GROUP RANGE,GROUP NAME,GROUP FULL WIDTH NAME,NAME,FULL WIDTH NAME,"
                   "ALBUM,ARTIST,DURATION,ENCODING,BITRATE"),
    QStringLiteral("INDEX,GROUP RANGE,GROUP NAME,GROUP FULL WIDTH NAME,NAME,FULL WIDTH NAME,"
                   "DURATION,ENCODING"),
};

// Lines as editors count them, whatever ends them.
QStringList Lines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

// Web MiniDisc Pro quotes nothing: a comma within a title is written "\,".
QStringList SplitEscaped(const QString& line) {
    QStringList fields{QString()};
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\') && i + 1 < line.size() && line[i + 1] == QLatin1Char(','))
            fields.last() += line[++i];
        else if (line[i] == QLatin1Char(','))
            fields << QString();
        else
            fields.last() += line[i];
    }
    return fields;
}

} // namespace

std::optional<int> ParseSeconds(const QString& text) {
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    if (ok)
        return seconds >= 0 && seconds <= kLongestTrack ? std::optional(int(std::lround(seconds)))
                                                        : std::nullopt;
    static const QRegularExpression clock(
        QStringLiteral("^(?:(\\d{1,2}):([0-5]\\d)|(\\d{1,4})):([0-5]\\d)$"));
    const QRegularExpressionMatch match = clock.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int minutes =
        match.captured(1).toInt() * 60 + match.captured(2).toInt() + match.captured(3).toInt();
    const int total = minutes * 60 + match.captured(4).toInt();
    return total <= kLongestTrack ? std::optional(total) : std::nullopt;
}

std::optional<Problem> TooManyTracks(const Disc& disc) {
    if (disc.tracks.size() <= kMostTracks)
        return std::nullopt;
    return Problem{disc.tracks[kMostTracks].line,
                   QStringLiteral("1 枚の MiniDisc に入るのは %1 曲までですが、%2 曲あります。"
                                  "この曲から先は入りません。ファイルを確かめて下さい。")
                       .arg(kMostTracks)
                       .arg(disc.tracks.size())};
}

namespace {

Problem BadLength(qint64 line, const QString& length) {
    return Problem{line, QStringLiteral("演奏時間「%1」が正しくありません (%2 時間まで、分と秒は "
                                        "59 まで)。")
                             .arg(length)
                             .arg(kLongestTrack / 3600)};
}

bool IsCue(const QStringList& lines) {
    static const QRegularExpression track(QStringLiteral("^\\s*TRACK\\s+\\d+\\s+\\S"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression index(QStringLiteral("^\\s*(FILE|INDEX)\\s"),
                                          QRegularExpression::CaseInsensitiveOption);
    return std::any_of(lines.begin(), lines.end(),
                       [](auto& l) { return track.match(l).hasMatch(); }) &&
           std::any_of(lines.begin(), lines.end(),
                       [](auto& l) { return index.match(l).hasMatch(); });
}

bool IsFreedb(const QStringList& lines) {
    static const QRegularExpression key(QStringLiteral("^(#\\s*xmcd|DTITLE=|TTITLE\\d+=)"));
    return std::any_of(lines.begin(), lines.end(),
                       [](const QString& line) { return key.match(line).hasMatch(); });
}

} // namespace

Read ReadDisc(const QByteArray& bytes) {
    Read read;
    const QString text = csvformat::Decode(bytes, read.problems);
    if (!read.problems.isEmpty())
        return read;
    const QStringList lines = Lines(text);
    if (!lines.isEmpty() && lines.first().startsWith(QStringLiteral("INDEX,GROUP RANGE,")))
        read = ReadMiniDisc(text);
    else if (IsCue(lines))
        read = ReadCue(text);
    else if (IsFreedb(lines))
        read = ReadFreedb(text);
    else
        read = ReadPlainText(text);
    if (const auto tooMany = TooManyTracks(read.disc); tooMany && read.problems.isEmpty())
        read.problems << *tooMany;
    return read;
}

Read ReadDiscFile(const QString& path) {
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    // readAll gives what it got so far when a read fails; a short file must not pass for whole.
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        Read read;
        read.problems << Problem{
            0, QStringLiteral("%1 を読むことができません: %2").arg(path, file.errorString())};
        return read;
    }
    return ReadDisc(bytes);
}

Read ReadMiniDisc(const QString& text) {
    Read read;
    Disc& disc = read.disc;
    disc.source = Source::MiniDisc;
    const QStringList lines = Lines(text);
    const qsizetype header = kMiniDiscHeaders.indexOf(lines.value(0).trimmed());
    if (header < 0) {
        read.problems << Problem{1,
                                 QStringLiteral("Web MiniDisc Pro の見出しの行ではありません。")};
        return read;
    }
    const QStringList columns = kMiniDiscHeaders[header].split(QLatin1Char(','));
    const auto at = [&](const QStringList& fields, const QString& name) {
        const qsizetype column = columns.indexOf(name);
        return column < 0 ? QString() : fields.value(column);
    };
    const QString album = header == 0 ? QStringLiteral("HIMD ALBUM") : QStringLiteral("ALBUM");
    const QString artist = header == 0 ? QStringLiteral("HIMD ARTIST") : QStringLiteral("ARTIST");
    struct Group {
        int first, last;
        QString name;
    };
    QList<Group> groups;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        const qint64 line = i + 1;
        const QStringList fields = SplitEscaped(lines[i]);
        if (fields.size() != columns.size()) {
            read.problems << Problem{line, QStringLiteral("欄の数が見出しと違います (見出しは %1 "
                                                          "欄、この行は %2 欄)。")
                                               .arg(columns.size())
                                               .arg(fields.size())};
            continue;
        }
        bool numbered = false;
        const int index = at(fields, QStringLiteral("INDEX")).toInt(&numbered);
        if (!numbered || index < 0) {
            read.problems << Problem{line, QStringLiteral("INDEX が番号ではありません。")};
            continue;
        }
        const QString range = at(fields, QStringLiteral("GROUP RANGE"));
        if (const QStringList ends = range.split(QLatin1Char('-')); !range.isEmpty()) {
            const QString full = at(fields, QStringLiteral("GROUP FULL WIDTH NAME"));
            groups << Group{ends.first().toInt(), ends.last().toInt(),
                            full.isEmpty() ? at(fields, QStringLiteral("GROUP NAME")) : full};
        }
        const QString half = at(fields, QStringLiteral("NAME"));
        const QString full = at(fields, QStringLiteral("FULL WIDTH NAME"));
        disc.fullWidth = disc.fullWidth || !full.isEmpty();
        if (index == 0) {
            disc.album = full.isEmpty() ? half : full;
            disc.halfWidthAlbum = half.isEmpty() ? full : half;
            continue;
        }
        if (disc.encoding.isEmpty())
            disc.encoding = at(fields, QStringLiteral("ENCODING"));
        if (disc.album.isEmpty())
            disc.album = disc.halfWidthAlbum = at(fields, album);
        const QString duration = at(fields, QStringLiteral("DURATION"));
        const std::optional<int> seconds = ParseSeconds(duration);
        if (!seconds && !duration.trimmed().isEmpty())
            read.problems << BadLength(line, duration);
        disc.tracks << Track{line,   QString::number(index), full, half, at(fields, artist), {},
                             seconds};
    }
    for (const Group& group : groups)
        for (Track& track : disc.tracks)
            if (const int at = track.number.toInt() - 1; at >= group.first && at <= group.last)
                track.group = group.name;
    return read;
}

Read ReadPlainText(const QString& text) {
    Read read;
    read.disc.source = Source::PlainText;
    static const QRegularExpression number(QStringLiteral("^(\\d{1,3})(?:[.)]\\s*|\\s+|$)(.*)$"));
    static const QRegularExpression length(
        QStringLiteral("^(.*?)[\\s\\-–—]*[(\\[]?((?:\\d+:)?\\d{1,3}:\\d{2})[)\\]]?$"));
    QList<Track>& tracks = read.disc.tracks;
    const QStringList lines = Lines(text);
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (!lines[i].trimmed().isEmpty())
            tracks << Track{i + 1, QString::number(tracks.size() + 1), lines[i].trimmed()};
    // A leading number is the track's only when every line has one: "99 Luftballons" alone in a
    // list of titles is a title.
    const bool numbered = std::all_of(tracks.begin(), tracks.end(), [](const Track& track) {
        return number.match(track.title).hasMatch();
    });
    // So is a length at the end: "Live at 12:30" in a list of titles is a title.
    if (!numbered)
        return read;
    for (Track& track : tracks) {
        const QRegularExpressionMatch match = number.match(track.title);
        track.number = match.captured(1);
        track.title = match.captured(2);
        const QRegularExpressionMatch timed = length.match(track.title);
        if (!timed.hasMatch() || timed.captured(1).trimmed().isEmpty())
            continue;
        track.seconds = ParseSeconds(timed.captured(2));
        if (!track.seconds)
            read.problems << BadLength(track.line, timed.captured(2));
        track.title = timed.captured(1).trimmed();
    }
    return read;
}

QString TitleOf(const Track& track, bool halfWidth) {
    const QString& chosen = halfWidth ? track.halfWidthTitle : track.title;
    return chosen.isEmpty() ? (halfWidth ? track.title : track.halfWidthTitle) : chosen;
}

QString AlbumOf(const Disc& disc, bool halfWidth) {
    return halfWidth && !disc.halfWidthAlbum.isEmpty() ? disc.halfWidthAlbum : disc.album;
}

QList<trackadd::NewTrack> TracksToAdd(const Disc& disc, Program program, const Filing& filing) {
    QList<trackadd::NewTrack> tracks;
    for (const Track& track : disc.tracks) {
        const QString title = TitleOf(track, filing.halfWidth);
        const QString artist = track.artist.isEmpty() ? filing.artist : track.artist;
        const QString& number = track.number;
        if (program == Program::Caldrin) {
            const QString album = track.group.isEmpty() ? filing.albumOrDisc : track.group;
            tracks << trackadd::NewTrack{track.line, {artist, album, number, title}};
        } else {
            tracks << trackadd::NewTrack{track.line, {filing.albumOrDisc, number, title, artist}};
        }
    }
    return tracks;
}

QString Duration(int seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

const QList<Medium>& Media() {
    static const QList<Medium> media = [] {
        QList<Medium> all;
        for (const auto& [mode, speed] :
             {std::pair(QStringLiteral("SP"), 1), std::pair(QStringLiteral("LP2"), 2),
              std::pair(QStringLiteral("LP4"), 4)})
            for (const int minutes : {60, 74, 80})
                all << Medium{minutes, speed, mode};
        return all;
    }();
    return media;
}

QString Medium::Name() const {
    return QStringLiteral("%1分 %2").arg(minutes).arg(mode);
}

QString TimeLine(const QList<Track>& tracks, const Medium& medium) {
    int total = 0;
    qsizetype unknown = 0;
    for (const Track& track : tracks) {
        total += track.seconds.value_or(0);
        unknown += track.seconds ? 0 : 1;
    }
    const int left = medium.minutes * 60 * medium.speed - total;
    QString line = left >= 0 ? QStringLiteral("合計 %1 ／ %2 で残り %3")
                             : QStringLiteral("合計 %1 ／ %2 を %3 超えています");
    line = line.arg(Duration(total), medium.Name(), Duration(std::abs(left)));
    if (unknown > 0)
        line += QStringLiteral(" (長さの分からない曲が %1 曲あります)").arg(unknown);
    return line;
}

} // namespace disctracks
