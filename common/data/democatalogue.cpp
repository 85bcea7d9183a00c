#include "democatalogue.h"

#include <QStringList>

namespace democatalogue {

namespace {

const QStringList kFamily = {"青木", "佐藤",  "ﾔﾏﾀﾞ",      "高橋", "Morgan", "中村",
                             "ｷﾑﾗ",  "Hayes", "小林",      "加藤", "Rivera", "森",
                             "ｵｶﾞﾜ", "石井",  "Lindqvist", "林"};
const QStringList kGiven = {"陽子", "健",       "ﾐﾕｷ",  "Trio", "Quartet",
                            "真理", "ｹﾝｼﾞ",     "Band", "由美", "and the Lanterns",
                            "翔",   "Ensemble", "ﾕｳｺ"};
const QStringList kAlbumWord = {"夏の午後",       "Blue Harbor",    "ｻﾏｰ ﾊﾟｰﾃｨｰ",     "星降る夜",
                                "Midnight Radio", "雨の街角",       "ﾄﾞﾗｲﾌﾞ ﾐｭｰｼﾞｯｸ", "風の記憶",
                                "Paper Moon",     "海へ",           "Silver Lining",  "冬景色",
                                "ﾍﾞｽﾄ ｺﾚｸｼｮﾝ",    "Live at Shibuya"};
const QStringList kTitleWord = {"約束",     "Sunrise", "ｶﾞﾗｽの靴",     "夜明け前", "Tokyo Drift",
                                "花火",     "Waltz",   "さよなら",     "ﾒﾛﾃﾞｨｰ",   "Home Again",
                                "月の光",   "Rain",    "ふたりの季節", "ﾗｽﾄ ﾀﾞﾝｽ", "青い鳥",
                                "Daydream", "Let's Go"};

// A small fixed-sequence generator, so a catalogue of a given size is always the same.
class Sequence {
public:
    quint32 Next(quint32 bound) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(state_ >> 33) % bound;
    }

private:
    quint64 state_ = 0x2545F4914F6CDD1DULL;
};

QString Pick(Sequence& seq, const QStringList& words) {
    return words[int(seq.Next(words.size()))];
}

QString ArtistName(int artist) {
    QString name = kFamily[artist % kFamily.size()] + QLatin1Char(' ') +
                   kGiven[(artist / kFamily.size()) % kGiven.size()];
    const int round = artist / int(kFamily.size() * kGiven.size());
    return round ? name + QStringLiteral(" %1").arg(round + 1) : name;
}

QString AlbumName(int album) {
    const QString word = kAlbumWord[album % kAlbumWord.size()];
    const int volume = album / int(kAlbumWord.size());
    return volume ? word + QStringLiteral(" Vol.%1").arg(volume + 1) : word;
}

struct Track {
    QString artist, album, title, disc;
    int number;
};

class Writer {
public:
    Writer(Database& db, Program program) : db_(db), program_(program) {
        const QStringList columns = tracktable::UserColumns(program);
        insert_ = db.Prepare(QStringLiteral("INSERT INTO データレコード (%1) VALUES (?, ?, ?, ?)")
                                 .arg(columns.join(QLatin1Char(','))));
    }

    void Add(const Track& track) {
        sqlite3_stmt* stmt = insert_.get();
        if (program_ == Program::Caldrin) {
            BindText(1, track.artist);
            BindText(2, track.album);
            sqlite3_bind_int(stmt, 3, track.number);
            BindText(4, track.title);
        } else {
            BindText(1, track.disc);
            sqlite3_bind_int(stmt, 2, track.number);
            BindText(3, track.title);
            BindText(4, track.artist);
        }
        db_.RunToEnd(stmt);
        sqlite3_reset(stmt);
    }

private:
    void BindText(int index, const QString& text) {
        const QByteArray bytes = text.toUtf8();
        sqlite3_bind_text(insert_.get(), index, bytes.constData(), int(bytes.size()),
                          SQLITE_TRANSIENT);
    }

    Database& db_;
    Program program_;
    StatementHandle insert_;
};

} // namespace

void AddTracks(Database& db, Program program, qint64 tracks) {
    Sequence seq;
    Writer writer(db, program);
    // About one artist for every twenty-five tracks, so artists have several albums.
    const int artists = int(qMax<qint64>(12, tracks / 25));
    db.BeginTrans();
    try {
        qint64 written = 0;
        for (int album = 0; written < tracks; ++album) {
            const int length = 6 + int(seq.Next(9));
            // Every eighth album is a compilation with tracks by several artists.
            const int performers = album % 8 == 7 ? 2 + int(seq.Next(3)) : 1;
            const int firstArtist = int(seq.Next(artists));
            const QString disc = QStringLiteral("%1").arg(album + 1, 3, 10, QLatin1Char('0'));
            for (int number = 1; number <= length && written < tracks; ++number, ++written) {
                const int artist = (firstArtist + number % performers) % artists;
                writer.Add({ArtistName(artist), AlbumName(album),
                            Pick(seq, kTitleWord) + QLatin1Char(' ') + Pick(seq, kTitleWord), disc,
                            number});
            }
        }
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
}

void Create(const QString& path, Program program, qint64 tracks) {
    auto db = Database::CreateDatabase(path);
    tracktable::CreateTrackTable(*db, program);
    if (tracks > 0)
        AddTracks(*db, program, tracks);
}

} // namespace democatalogue
