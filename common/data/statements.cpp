#include "statements.h"

namespace statements {

QString Quoted(const QString& value) {
    QString doubled = value;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    // SQLite reads a statement only up to its first NUL; one inside a name goes in as char(0),
    // joined to the rest of the literal.
    return doubled.replace(QChar(0), QLatin1String("'||char(0)||'"));
}

QString Table() {
    return QStringLiteral("データレコード");
}

QString IdCriterion(const QString& id) {
    return QStringLiteral("[ID] = ") + id;
}

QString AllArtists() {
    return QStringLiteral("SELECT アーチスト名 FROM データレコード GROUP BY アーチスト名");
}

namespace caldrin {

QString AllAlbums() {
    return QStringLiteral(
        "SELECT アルバム名 FROM データレコード GROUP BY アルバム名 ORDER BY アルバム名 ");
}

QString AllArtistsOrdered() {
    return QStringLiteral(
        "SELECT アーチスト名 FROM データレコード GROUP BY アーチスト名 ORDER BY アーチスト名");
}

QString ArtistsOfAlbum(const QString& album) {
    return QStringLiteral("SELECT アーチスト名 FROM データレコード WHERE アルバム名 = '") +
           Quoted(album) + QStringLiteral("' GROUP BY アーチスト名");
}

QString AlbumsOfArtist(const QString& artist) {
    return QStringLiteral("SELECT アルバム名 FROM データレコード WHERE アーチスト名 = '") +
           Quoted(artist) + QStringLiteral("'GROUP BY アルバム名 ORDER BY アルバム名 ");
}

QString AlbumsOfArtistUnordered(const QString& artist) {
    return QStringLiteral("SELECT アルバム名 FROM データレコード WHERE アーチスト名 = '") +
           Quoted(artist) + QStringLiteral("' GROUP BY アルバム名");
}

QString TracksOfAlbum(const QString& album, const QString& artist) {
    return QStringLiteral("SELECT * FROM データレコード WHERE アルバム名 = '") + Quoted(album) +
           QStringLiteral("' AND アーチスト名 = '") + Quoted(artist) +
           QStringLiteral("' ORDER BY 曲番");
}

QString TracksOfArtist(const QString& artist, const QString& album) {
    return QStringLiteral("SELECT * FROM データレコード WHERE アーチスト名 = '") + Quoted(artist) +
           QStringLiteral("' AND アルバム名 = '") + Quoted(album) +
           QStringLiteral("' ORDER BY 曲番");
}

} // namespace caldrin

namespace trensoly {

QString AllDiscs(const QString& order) {
    return QStringLiteral("SELECT MD番号 FROM データレコード GROUP BY MD番号 ORDER BY MD番号 ") +
           order;
}

QString TracksOfDisc(const QString& disc) {
    return QStringLiteral("SELECT * FROM データレコード WHERE MD番号 = '") + Quoted(disc) +
           QStringLiteral("' ORDER BY 曲番");
}

QString TracksOfArtist(const QString& artist) {
    return QStringLiteral("SELECT * FROM データレコード WHERE アーチスト名 = '") + Quoted(artist) +
           QStringLiteral("' ORDER BY MD番号, 曲番");
}

} // namespace trensoly

} // namespace statements
