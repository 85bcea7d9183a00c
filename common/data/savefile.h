#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file so that a failure at any step, a full disk included, keeps the old file
// byte for byte and leaves no temporary beside it. Returns the reason of a failure, or nothing.
// QSaveFile::commit() alone would not do: it ignores a failed sync, and a failed final flush when
// the file is buffered, and would put a short file in place of the old one.
enum class InPlace { Never, WhenTheFolderIsLocked };
QString SaveWholeFile(const QString& path, const QByteArray& data,
                      InPlace inPlace = InPlace::Never);
