#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Writes a whole file so that a failure at any step, a full disk included, keeps the old file
// byte for byte and leaves no temporary beside it. Returns the reason of a failure, or nothing.
// The new file is written under a hidden name beside the target, ".NAME.mdcat-save-" and six
// letters, which no person would give a file of his own, and then takes the target's name.
enum class InPlace { Never, WhenTheFolderIsLocked };
QString SaveWholeFile(const QString& path, const QByteArray& data,
                      InPlace inPlace = InPlace::Never);

// The same, written piece by piece: nothing takes the path's name before Commit has put all of
// it on the disk, and a SaveFile gone before then leaves no file behind.
class SaveFile {
public:
    explicit SaveFile(const QString& path, InPlace inPlace = InPlace::Never);
    ~SaveFile();
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // False once a write failed; Commit then says why.
    bool Write(QByteArrayView data);
    // The reason of a failure, or nothing once the file has the path's name.
    QString Commit();

private:
    QString path_;
    QByteArray temp_; // empty when the file is written in place
    int fd_ = -1;
    int error_ = 0;
    qint64 written_ = 0;
    bool committed_ = false;
};

// Creates a new, empty file beside target under a hidden name no person would choose: ".NAME",
// the mark and six letters. It gets target's permissions, or what the umask leaves of rw-rw-rw-
// when there is no target yet. Returns its descriptor and sets path, or -1 with errno set.
int CreateHiddenBeside(const QString& target, const QString& mark, QByteArray& path);

// Removes what a save of path killed half way left: regular files of this user under the
// temporary's name, and nothing else.
void RemoveSaveLeftovers(const QString& path);
