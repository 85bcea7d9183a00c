#include "backupfolder.h"

#include "backup.h"
#include "dberror.h"

#include <QDir>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace backup {

namespace {

QString Advice(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral(
            "ディスクの空きが足りません。不要なファイルを消して空きを作ってください。");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("フォルダーに書き込むことができません。"
                              "フォルダーに書き込み権限を与えてください。");
    case ENOTDIR:
    case EEXIST:
        return QStringLiteral("同じ名前のファイルがあるため、フォルダーを作れません。"
                              "そのファイルを別の場所に移してください。");
    default:
        return QStringLiteral("%1。ディスクの状態を確かめてください。")
            .arg(QString::fromStdString(std::generic_category().message(error)));
    }
}

} // namespace

void FailInFolder(const QString& folder, int error) {
    throw DbError(QStringLiteral("カタログのバックアップを %1 に作れませんでした。\n%2\n"
                                 "カタログそのものには何も書き込んでいません。")
                      .arg(QDir::toNativeSeparators(folder), Advice(error)));
}

Folder::Folder(const QFileInfo& catalogue)
    : path_(catalogue.absolutePath() + QStringLiteral("/backup")),
      name_(catalogue.completeBaseName()),
      suffix_(catalogue.suffix().isEmpty() ? QString() : "." + catalogue.suffix()),
      backups_(QStringLiteral("^%1-(\\d{8}-\\d{6})(?:-(\\d+))?%2$")
                   .arg(QRegularExpression::escape(name_), QRegularExpression::escape(suffix_))),
      temporaries_(
          QStringLiteral("^%1-[0-9a-f]{16}\\.tmp$").arg(QRegularExpression::escape(name_))) {}

void Folder::Make() const {
    if (::mkdir(Encoded(path_).constData(), 0777) == 0)
        Sync(QFileInfo(path_).absolutePath());
    else if (errno != EEXIST)
        FailInFolder(path_, errno);
    if (!QFileInfo(path_).isDir())
        FailInFolder(path_, ENOTDIR);
}

// So that a rename or a new folder survives a power cut; some file systems cannot sync a folder
// and say so, which is no failure of the backup.
void Folder::Sync(const QString& folder) const {
    const int fd = ::open(Encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        FailInFolder(path_, errno);
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (error != 0 && error != EINVAL)
        FailInFolder(path_, error);
}

QList<Name> Folder::Backups() const {
    QList<Name> names;
    for (const QString& file : QDir(path_).entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = backups_.match(file);
        if (match.hasMatch())
            names << Name{match.captured(1), match.hasCaptured(2) ? match.captured(2).toInt() : 1,
                          file};
    }
    std::sort(names.begin(), names.end());
    return names;
}

// After a clock set back, a new backup still goes after the others, or it would be the first
// removed.
QString Folder::NextName(const QList<Name>& backups, const QDateTime& now) const {
    Name next{now.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))};
    if (!backups.isEmpty() && !(backups.last() < next))
        next = {backups.last().stamp, backups.last().counter + 1};
    return QStringLiteral("%1-%2%3%4")
        .arg(name_, next.stamp,
             next.counter > 1 ? QStringLiteral("-%1").arg(next.counter) : QString(), suffix_);
}

QString Folder::NewTemporaryName() const {
    return QStringLiteral("%1-%2.tmp")
        .arg(name_)
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

// What a killed backup left; one still locked is being written by another copy of the program.
void Folder::RemoveLeftovers() const {
    for (const QString& file : QDir(path_).entryList(QDir::Files | QDir::Hidden)) {
        if (!temporaries_.match(file).hasMatch())
            continue;
        const QByteArray path = Encoded(FilePath(file));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}

void Folder::RemoveAllButNewest() const {
    const QList<Name> backups = Backups();
    for (qsizetype i = 0; i + kKept < backups.size(); ++i)
        Remove(backups[i].file);
}

// A large file let go at once holds up the next sync on the disk, a commit of the program's own
// among them, while the file system gives its space back (to the device too, where it discards);
// given back in pieces, no sync waits for more than one.
void Folder::Remove(const QString& backup) const {
    constexpr off_t kFreedPerSync = off_t(4) << 20;
    const QByteArray path = Encoded(FilePath(backup));
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (::unlink(path.constData()) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        throw DbError(QStringLiteral("%1 の古いバックアップ %2 を削除できませんでした。\n%3")
                          .arg(QDir::toNativeSeparators(path_), backup, Advice(error)));
    }
    // Its name gone, the file lives on only through the descriptor, unless it is linked
    // elsewhere too: that copy is someone's and is left whole.
    struct stat status;
    if (fd >= 0 && ::fstat(fd, &status) == 0 && status.st_nlink == 0) {
        for (off_t size = status.st_size; size > 0;) {
            size = std::max<off_t>(0, size - kFreedPerSync);
            if (::ftruncate(fd, size) != 0 || ::fdatasync(fd) != 0)
                break;
        }
    }
    if (fd >= 0)
        ::close(fd);
}

Temporary::Temporary(const Folder& folder) {
    int error = EEXIST;
    for (int attempt = 0; fd_ < 0 && error == EEXIST && attempt < 10; ++attempt) {
        path_ = folder.FilePath(folder.NewTemporaryName());
        fd_ = ::open(Encoded(path_).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        error = errno;
    }
    if (fd_ < 0)
        FailInFolder(folder.Path(), error);
    ::flock(fd_, LOCK_EX);
}

Temporary::~Temporary() {
    if (!placed_)
        ::unlink(Encoded(path_).constData());
    ::close(fd_);
}

} // namespace backup
