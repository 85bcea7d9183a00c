#include "disctracks.h"

#include <QMap>
#include <QRegularExpression>
#include <cmath>

namespace disctracks {

namespace {

// CD frames in a second.
constexpr int kFrames = 75;

// xmcd writes a line break, a tab and a backslash within a value as \n, \t and \\.
QString Unescaped(const QString& value) {
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const QChar next = value[++i];
        text += next == QLatin1Char('n') || next == QLatin1Char('t') ? QChar(' ') : next;
    }
    return text;
}

struct Value {
    qint64 line = 0; // the first of the lines that hold it
    QString text;
};

// A number of the file, or nothing when it is past what a disc can hold.
std::optional<qint64> Bounded(const QString& digits, qint64 most) {
    bool ok = false;
    const qint64 number = digits.toLongLong(&ok);
    return ok && number <= most ? std::optional(number) : std::nullopt;
}

} // namespace

Read ReadFreedb(const QString& text) {
    static const QRegularExpression offset(QStringLiteral("^#\\s*(\\d+)\\s*$"));
    static const QRegularExpression discLength(QStringLiteral("^#\\s*Disc length:\\s*(\\d+)"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression keyed(QStringLiteral("^([A-Z]+)(\\d*)=(.*)$"));
    constexpr qint64 kLongestDisc = qint64(kLongestTrack) * kMostTracks;
    Read read;
    const auto refuse = [&read](qsizetype i, const QString& reason) {
        read.problems << trackcsv::Problem{i + 1, reason};
    };
    QMap<QString, Value> values;
    QMap<int, Value> titles;
    QList<qint64> offsets;
    std::optional<qint64> length;
    bool inOffsets = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('#'))) {
            if (line.contains(QStringLiteral("frame offsets"), Qt::CaseInsensitive)) {
                inOffsets = true;
            } else if (const auto match = offset.match(line); inOffsets && match.hasMatch()) {
                if (const auto frames = Bounded(match.captured(1), kLongestDisc * kFrames))
                    offsets << *frames;
                else
                    refuse(i, QStringLiteral("曲の始まりの位置が大きすぎます。"));
            } else {
                inOffsets = false;
            }
            if (const auto match = discLength.match(line); match.hasMatch()) {
                length = Bounded(match.captured(1), kLongestDisc);
                if (!length)
                    refuse(i, QStringLiteral("ディスクの長さが大きすぎます。"));
            }
            continue;
        }
        const QRegularExpressionMatch match = keyed.match(line);
        if (!match.hasMatch()) {
            refuse(i, QStringLiteral("freedb の「名前=値」の行ではありません。"));
            continue;
        }
        Value* value = &values[match.captured(1) + match.captured(2)];
        if (match.captured(1) == QStringLiteral("TTITLE") && !match.captured(2).isEmpty()) {
            const auto track = Bounded(match.captured(2), kMostTracks - 1);
            if (!track) {
                refuse(i, QStringLiteral("TTITLE%1 は MiniDisc の曲番 (%2 まで) を超えています。")
                              .arg(match.captured(2))
                              .arg(kMostTracks));
                continue;
            }
            value = &titles[int(*track)];
        }
        // A value too long for one line goes on in lines of the same key.
        if (value->line == 0)
            value->line = i + 1;
        value->text += match.captured(3);
    }
    if (!read.problems.isEmpty())
        return read;
    Disc& disc = read.disc;
    disc.source = Source::Freedb;
    const QString title = Unescaped(values.value(QStringLiteral("DTITLE")).text);
    const qsizetype slash = title.indexOf(QStringLiteral(" / "));
    disc.artist = (slash < 0 ? title : title.left(slash)).trimmed();
    disc.album = (slash < 0 ? title : title.mid(slash + 3)).trimmed();
    // A compilation names each track's artist before its title, as the disc's are.
    const bool various = disc.artist.startsWith(QStringLiteral("Various"), Qt::CaseInsensitive);
    for (auto it = titles.cbegin(); it != titles.cend(); ++it) {
        Track track{it->line, QString::number(it.key() + 1), Unescaped(it->text).trimmed()};
        if (const qsizetype by = track.title.indexOf(QStringLiteral(" / ")); various && by > 0) {
            track.artist = track.title.left(by).trimmed();
            track.title = track.title.mid(by + 3).trimmed();
        }
        disc.tracks << track;
    }
    // The lengths come from where each track starts, the last one's from the disc's length.
    if (offsets.size() == disc.tracks.size()) {
        if (length)
            offsets << *length * kFrames;
        for (qsizetype i = 0; i + 1 < offsets.size(); ++i)
            if (offsets[i + 1] > offsets[i])
                disc.tracks[i].seconds =
                    int(std::lround(double(offsets[i + 1] - offsets[i]) / kFrames));
    }
    if (disc.tracks.isEmpty())
        read.problems << trackcsv::Problem{1,
                                           QStringLiteral("TTITLE0= で始まる曲の行がありません。")};
    return read;
}

} // namespace disctracks
