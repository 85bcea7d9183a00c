#include "savefile.h"

#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

QString SaveWholeFile(const QString& path, const QByteArray& data, InPlace inPlace) {
    QSaveFile file(path);
    // A folder the user may not write in can still hold a file he may; that file is then written
    // in place, and the caller has to put it back if the write fails.
    file.setDirectWriteFallback(inPlace == InPlace::WhenTheFolderIsLocked);
    // Unbuffered, so every write reaches the file here and its failure shows here.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    QString reason;
    // A short write is no error yet; the next one tells why (a full disk, a size limit).
    for (qsizetype done = 0; reason.isEmpty() && done < data.size();) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        if (written > 0)
            done += written;
        else
            reason = file.errorString();
    }
    if (reason.isEmpty() && ::fsync(file.handle()) != 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    if (!reason.isEmpty()) {
        file.cancelWriting();
        return reason;
    }
    return file.commit() ? QString() : file.errorString();
}
