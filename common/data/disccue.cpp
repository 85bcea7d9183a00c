#include "disctracks.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>

extern "C" {
#include <libcue/libcue.h>
}

namespace disctracks {

namespace {

constexpr int kFrames = 75;

// libcue tells what it cannot parse on standard error and returns what it could: the messages
// are taken instead, so that a sheet read in part is refused, not taken for the whole disc.
Cd* ParseCue(const QByteArray& utf8, QByteArray& complaints) {
    std::fflush(stderr);
    FILE* taken = std::tmpfile();
    const int saved = taken ? dup(STDERR_FILENO) : -1;
    if (saved >= 0)
        dup2(fileno(taken), STDERR_FILENO);
    Cd* cd = cue_parse_string(utf8.constData());
    if (saved >= 0) {
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        std::rewind(taken);
        char buffer[512];
        for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, taken)) > 0;)
            complaints.append(buffer, qsizetype(read));
    }
    if (taken)
        std::fclose(taken);
    return cd;
}

// libcue reads past a quote left open, or a line it cannot take, to where it gives up, often the
// sheet's end; each line is checked first, so that the one at fault is named.
std::optional<QString> LineFault(const QString& line) {
    static const QStringList keywords = {
        "CATALOG",   "CDTEXTFILE", "FILE",     "FLAGS",    "INDEX",      "ISRC",
        "PERFORMER", "POSTGAP",    "PREGAP",   "REM",      "SONGWRITER", "TITLE",
        "TRACK",     "ARRANGER",   "COMPOSER", "DISC_ID",  "GENRE",      "MESSAGE",
        "TOC_INFO1", "TOC_INFO2",  "UPC_EAN",  "SIZE_INFO"};
    static const QRegularExpression track(QStringLiteral("^TRACK\\s+0*([1-9]\\d?)\\s+\\S+$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression time(
        QStringLiteral(
            "^(INDEX\\s+\\d{1,2}|PREGAP|POSTGAP)\\s+\\d{1,3}:[0-5]\\d:([0-6]\\d|7[0-4])$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (trimmed.contains(QChar(0)))
        return QStringLiteral("NUL 文字があります。");
    if (trimmed.count(QLatin1Char('"')) % 2 != 0)
        return QStringLiteral("引用符 (\") が閉じていません。");
    const QString word = trimmed.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('\t'), 0, 0);
    if (!keywords.contains(word.toUpper()))
        return QStringLiteral("CUE シートの命令ではありません: %1").arg(word);
    if (trimmed.size() == word.size() && word.toUpper() != QLatin1String("REM"))
        return QStringLiteral("%1 の後に値がありません。").arg(word);
    if (word.toUpper() == QLatin1String("TRACK") && !track.match(trimmed).hasMatch())
        return QStringLiteral("TRACK の行は「TRACK 番号 種類」で、番号は 1 から 99 までです。");
    const QString upper = word.toUpper();
    if ((upper == QLatin1String("INDEX") || upper.endsWith(QLatin1String("GAP"))) &&
        !time.match(trimmed).hasMatch())
        return QStringLiteral("%1 の時刻が正しくありません (分:秒:フレーム、秒は 59、フレームは "
                              "74 まで)。")
            .arg(upper);
    return std::nullopt;
}

// The line libcue gives up at. It counts lines on from every sheet it read before in the process,
// so the line is found anew: the fewest first lines it already gives up on.
qint64 FirstUnparsedLine(const QStringList& lines) {
    const auto givesUp = [&](qsizetype count) {
        QByteArray complaints;
        const QByteArray prefix = (lines.mid(0, count).join(QLatin1Char('\n')) + '\n').toUtf8();
        const std::unique_ptr<Cd, decltype(&cd_delete)> cd(ParseCue(prefix, complaints), cd_delete);
        return !cd || !complaints.isEmpty();
    };
    qsizetype low = 1, high = lines.size();
    while (low < high) {
        const qsizetype middle = (low + high) / 2;
        if (givesUp(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

QString CdText(Cdtext* text, Pti what) {
    const char* value = text ? cdtext_get(what, text) : nullptr;
    return value ? QString::fromUtf8(value).trimmed() : QString();
}

} // namespace

Read ReadCue(const QString& text) {
    Read read;
    Disc& disc = read.disc;
    disc.source = Source::Cue;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const std::optional<QString> fault = LineFault(lines[i])) {
            read.problems << trackcsv::Problem{i + 1, *fault};
            return read;
        }
    }
    const QByteArray utf8 = text.toUtf8();
    QByteArray complaints;
    const std::unique_ptr<Cd, decltype(&cd_delete)> cd(ParseCue(utf8, complaints), cd_delete);
    if (!cd || !complaints.isEmpty()) {
        read.problems << trackcsv::Problem{
            FirstUnparsedLine(lines),
            QStringLiteral("CUE シートとして読めない所があります。FILE、TRACK、INDEX の行を"
                           "確かめて下さい。")};
        return read;
    }
    disc.album = CdText(cd_get_cdtext(cd.get()), PTI_TITLE);
    disc.artist = CdText(cd_get_cdtext(cd.get()), PTI_PERFORMER);
    // libcue keeps neither the numbers nor the lines of the tracks: they are found in the text.
    static const QRegularExpression trackLine(QStringLiteral("^\\s*TRACK\\s+(\\d+)\\s+(\\S+)"),
                                              QRegularExpression::CaseInsensitiveOption);
    QList<std::pair<qint64, int>> places;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (const auto match = trackLine.match(lines[i]); match.hasMatch())
            places.emplaceBack(i + 1, match.captured(1).toInt());
    const int count = cd_get_ntrack(cd.get());
    for (int i = 1; i <= count; ++i) {
        ::Track* cueTrack = cd_get_track(cd.get(), i);
        // A data track is not recorded on a MiniDisc.
        if (track_get_mode(cueTrack) != MODE_AUDIO)
            continue;
        const auto [line, number] = places.size() == count ? places[i - 1] : std::pair(0ll, i);
        Track track{line, QString::number(number), CdText(track_get_cdtext(cueTrack), PTI_TITLE)};
        track.artist = CdText(track_get_cdtext(cueTrack), PTI_PERFORMER);
        if (track.artist == disc.artist)
            track.artist.clear();
        // From one INDEX 01 to the next, the gap before a track counted with the one before it;
        // across two files, or for the last track, the sheet does not tell.
        ::Track* next = i < count ? cd_get_track(cd.get(), i + 1) : nullptr;
        const long start = track_get_start(cueTrack);
        if (next && start >= 0 && track_get_start(next) > start &&
            qstrcmp(track_get_filename(cueTrack), track_get_filename(next)) == 0)
            track.seconds = int(std::lround(double(track_get_start(next) - start) / kFrames));
        disc.tracks << track;
    }
    if (disc.tracks.isEmpty())
        read.problems << trackcsv::Problem{1, QStringLiteral("CUE シートに音楽の曲がありません。")};
    return read;
}

} // namespace disctracks
