#pragma once

#include <QString>

// Every statement the programs send to the track table. A value spliced between single quotes
// has each of its quotes doubled and each NUL joined in as char(0), so no text can end the
// literal early or change the statement; a value without either goes in unchanged.
namespace statements {

QString Quoted(const QString& value);

QString Table();
QString IdCriterion(const QString& id);
QString AllArtists();

namespace caldrin {
QString AllAlbums();
QString AllArtistsOrdered();
QString ArtistsOfAlbum(const QString& album);
QString AlbumsOfArtist(const QString& artist);
QString AlbumsOfArtistUnordered(const QString& artist);
QString TracksOfAlbum(const QString& album, const QString& artist);
QString TracksOfArtist(const QString& artist, const QString& album);
} // namespace caldrin

namespace trensoly {
QString AllDiscs(const QString& order);
QString TracksOfDisc(const QString& disc);
QString TracksOfArtist(const QString& artist);
} // namespace trensoly

} // namespace statements
