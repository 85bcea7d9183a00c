#pragma once

#include "tracktable.h"

#include <QString>

// Realistic catalogues for the demo, the tests and the benchmarks: Japanese and Latin names,
// half-width katakana, artists with several albums and albums shared by several artists.
// The same count always gives the same catalogue.
namespace democatalogue {

inline constexpr qint64 kDemoTracks = 400;

// Adds that many tracks to an open catalogue in one transaction.
void AddTracks(Database& db, Program program, qint64 tracks);

// A new catalogue file with the track table and that many tracks (none for an empty one).
void Create(const QString& path, Program program, qint64 tracks);

} // namespace democatalogue
