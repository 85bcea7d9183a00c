#include "savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const QString kLeftoverMark = QStringLiteral(".mdcat-save-");

QString Reason(int error) {
    return qt_error_string(error);
}

// Writes all of data; a short write is no error yet, the next one tells why (a full disk, a
// size limit).
bool WriteAll(int fd, QByteArrayView data) {
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t written = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (written > 0)
            done += written;
        else if (written < 0 && errno != EINTR)
            return false;
    }
    return true;
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

SaveFile::SaveFile(const QString& requested, InPlace inPlace) {
    // A link stays a link: the file it points to is the one replaced.
    const QFileInfo link(requested);
    path_ = link.isSymLink() && !link.canonicalFilePath().isEmpty() ? link.canonicalFilePath()
                                                                    : requested;
    fd_ = CreateHiddenBeside(path_, kLeftoverMark, temp_);
    if (fd_ >= 0)
        return;
    error_ = errno;
    // A folder the user may not write in can still hold a file he may; that file is then
    // written in place, and the caller has to put it back if the write fails.
    if (inPlace == InPlace::WhenTheFolderIsLocked && (error_ == EACCES || error_ == EPERM) &&
        QFileInfo(path_).isFile()) {
        temp_.clear();
        fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        error_ = fd_ < 0 ? errno : 0;
    }
}

SaveFile::~SaveFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !temp_.isEmpty())
        ::unlink(temp_.constData());
}

bool SaveFile::Write(QByteArrayView data) {
    if (error_ != 0)
        return false;
    if (!WriteAll(fd_, data)) {
        error_ = errno;
        return false;
    }
    // The disk takes each piece while the next is made, so that the sync at the end does not
    // wait for the whole file.
    ::sync_file_range(fd_, written_, data.size(), SYNC_FILE_RANGE_WRITE);
    written_ += data.size();
    return true;
}

QString SaveFile::Commit() {
    if (error_ == 0 && ::fsync(fd_) != 0)
        error_ = errno;
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && error_ == 0)
        error_ = errno;
    if (error_ == 0 && !temp_.isEmpty() &&
        ::rename(temp_.constData(), QFile::encodeName(path_).constData()) != 0)
        error_ = errno;
    if (error_ != 0)
        return Reason(error_);
    committed_ = true;
    SyncFolder(path_);
    return {};
}

QString SaveWholeFile(const QString& path, const QByteArray& data, InPlace inPlace) {
    SaveFile file(path, inPlace);
    file.Write(data);
    return file.Commit();
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
