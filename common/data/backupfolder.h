#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <tuple>

// The folder "backup" beside a catalogue: the names of its backups, and the files a backup is
// written to before it takes one.
namespace backup {

inline QByteArray Encoded(const QString& path) {
    return QFile::encodeName(path);
}

[[noreturn]] void FailInFolder(const QString& folder, int error);

// A backup's name, catalogue-date-time.mdb, with -2, -3 ... for more in the same second.
struct Name {
    QString stamp;
    int counter = 1;
    QString file;

    bool operator<(const Name& other) const {
        return std::tie(stamp, counter) < std::tie(other.stamp, other.counter);
    }
};

class Folder {
public:
    explicit Folder(const QFileInfo& catalogue);

    const QString& Path() const { return path_; }
    QString FilePath(const QString& name) const { return path_ + QLatin1Char('/') + name; }

    void Make() const;
    void Sync(const QString& folder) const;
    // This catalogue's backups, oldest first.
    QList<Name> Backups() const;
    QString NextName(const QList<Name>& backups, const QDateTime& now) const;
    QString NewTemporaryName() const;
    void RemoveLeftovers() const;
    void RemoveAllButNewest() const;

private:
    void Remove(const QString& backup) const;

    QString path_;
    QString name_;
    QString suffix_;
    QRegularExpression backups_;
    QRegularExpression temporaries_;
};

// The copy being written: under a name of its own, locked while it is written so that another copy
// of the program does not take it for a leftover, and removed unless it was put in place.
class Temporary {
public:
    explicit Temporary(const Folder& folder);
    ~Temporary();
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    const QString& Path() const { return path_; }
    int Fd() const { return fd_; }
    void Placed() { placed_ = true; }

private:
    QString path_;
    int fd_ = -1;
    bool placed_ = false;
};

} // namespace backup
