#include "savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kLeftoverMark = QStringLiteral(".mdcat-save-");

QString Reason(int error) {
    return qt_error_string(error);
}

// Writes all of data; a short write is no error yet, the next one tells why (a full disk, a
// size limit).
bool WriteAll(int fd, const QByteArray& data) {
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t written = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (written > 0)
            done += written;
        else if (written < 0 && errno != EINTR)
            return false;
    }
    return ::fsync(fd) == 0;
}

// What a new file gets when it replaces nothing: what the user's umask leaves of rw-rw-rw-.
mode_t ModeFor(const QString& path) {
    struct stat old;
    if (::stat(QFile::encodeName(path).constData(), &old) == 0)
        return old.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A folder the user may not write in can still hold a file he may; that file is then written in
// place, and the caller has to put it back if the write fails.
QString WriteInPlace(const QString& path, const QByteArray& data) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return Reason(errno);
    const bool written = WriteAll(fd, data);
    const int error = errno;
    ::close(fd);
    return written ? QString() : Reason(error);
}

void SyncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

int CreateHiddenBeside(const QString& target, const QString& mark, QByteArray& path) {
    const QFileInfo file(target);
    path =
        QFile::encodeName(file.absoluteDir().filePath(QLatin1Char('.') + file.fileName() + mark)) +
        "XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd >= 0 && ::fchmod(fd, ModeFor(target)) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.constData());
        errno = error;
        return -1;
    }
    return fd;
}

QString SaveWholeFile(const QString& requested, const QByteArray& data, InPlace inPlace) {
    // A link stays a link: the file it points to is the one replaced.
    const QFileInfo link(requested);
    const QString path = link.isSymLink() && !link.canonicalFilePath().isEmpty()
                             ? link.canonicalFilePath()
                             : requested;
    const QFileInfo target(path);
    QByteArray temp;
    const int fd = CreateHiddenBeside(path, kLeftoverMark, temp);
    if (fd < 0) {
        const int error = errno;
        if (inPlace == InPlace::WhenTheFolderIsLocked && (error == EACCES || error == EPERM) &&
            target.isFile())
            return WriteInPlace(path, data);
        return Reason(error);
    }
    const bool written = WriteAll(fd, data);
    int error = errno;
    const bool closed = ::close(fd) == 0;
    if (written && !closed)
        error = errno;
    if (written && closed && ::rename(temp.constData(), QFile::encodeName(path).constData()) == 0) {
        SyncFolder(path);
        return {};
    }
    if (written && closed)
        error = errno;
    ::unlink(temp.constData());
    return Reason(error);
}

void RemoveSaveLeftovers(const QString& path) {
    const QFileInfo target(path);
    const QRegularExpression leftover(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(QLatin1Char('.') + target.fileName() + kLeftoverMark) +
        QStringLiteral("[A-Za-z0-9]{6}")));
    const QDir folder = target.absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        struct stat status;
        const QByteArray file = QFile::encodeName(folder.filePath(name));
        if (leftover.match(name).hasMatch() && ::lstat(file.constData(), &status) == 0 &&
            S_ISREG(status.st_mode) && status.st_uid == ::getuid())
            ::unlink(file.constData());
    }
}
