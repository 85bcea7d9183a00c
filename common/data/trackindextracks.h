#pragma once

// What the index's files share: the tracks as read, and how they are laid out.

#include "linestarts.h"
#include "trackindex.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace trackindex {

// Ends each text of a track's line, so a search never matches across two of them.
inline constexpr char kFieldBreak = '\x1F';

// The columns that order the tracks as the program browses them.
inline QString BrowsingOrder(Program program) {
    return program == Program::Caldrin ? QStringLiteral("アルバム名, アーチスト名, 曲番, ID")
                                       : QStringLiteral("MD番号, 曲番, ID");
}

} // namespace trackindex

struct TrackIndex::Tracks {
    struct Names {
        Track start;
        quint32 first;
        quint32 second;
    };
    // The folded names, one after another, and where each starts.
    std::string names;
    std::vector<quint32> nameStarts;
    std::vector<Names> runs;
    // Each track's own folded texts, one after another, and where each track's start.
    std::string lines;
    LineStarts lineStarts;
    // The IDs in four bytes each while every one fits, as in any catalogue filled by the
    // programs; in eight once one does not.
    std::vector<quint32> shortIds;
    std::vector<qint64> longIds;

    // One of the two is always empty.
    Track Count() const { return Track(shortIds.size() + longIds.size()); }
    qint64 Id(Track track) const {
        return longIds.empty() ? qint64(shortIds[track]) : longIds[track];
    }
    // Where the track of that ID was read, if it was.
    std::optional<Track> Where(qint64 id) const {
        const auto found = [&](const auto& ids) -> std::optional<Track> {
            const auto at = std::find(ids.begin(), ids.end(), id);
            return at == ids.end() ? std::nullopt : std::optional(Track(at - ids.begin()));
        };
        return longIds.empty() ? found(shortIds) : found(longIds);
    }
    void AddId(qint64 id) {
        if (longIds.empty() && id >= 0 && id <= qint64(std::numeric_limits<quint32>::max()))
            return shortIds.push_back(quint32(id));
        if (longIds.empty()) {
            longIds.assign(shortIds.begin(), shortIds.end());
            shortIds = {};
        }
        longIds.push_back(id);
    }
};
