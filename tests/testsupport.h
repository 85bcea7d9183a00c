#pragma once

#include "database.h"
#include "tracktable.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <ostream>

// Readable values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A catalogue file in a folder of its own, removed with the object.
class CatalogueFolder {
public:
    explicit CatalogueFolder(Program program = Program::Caldrin);

    QString Path() const { return dir_.path(); }
    QString File() const { return tracktable::FilePath(dir_.path(), program_); }
    // Makes the catalogue with its table and no rows.
    void CreateEmpty() const;
    // Opens the catalogue for a test's own reads and writes.
    std::unique_ptr<Database> Open() const;
    void WriteFile(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
    Program program_;
};

// Adds one album track through the same dynaset path the program uses; returns its ID.
qint64 AddAlbumTrack(Database& db, const QString& artist, const QString& album,
                     const QVariant& number, const QString& title);

// Runs SQL through the sqlite3 shell, as other people make and change catalogues: untyped
// columns, no NOCASE, whatever journal they choose.
void Shell(const QString& file, const QString& sql);

// Every value of one column of a query, as text.
QStringList ColumnTexts(Database& db, const QString& sql);

// A title settings file as the programs write it: each value quoted, on a line of its own.
QByteArray TitleFile(const QStringList& values);

// Runs body in a forked child and returns its exit status (-1 when it did not exit): for what a
// test cannot undo in its own process, such as a file size limit or giving up root.
int ExitStatusInChild(const std::function<int()>& body);
// Runs the current test again in a process of its own with the variable set to value, and returns
// its exit status; the test tells the two runs apart by the variable.
int RunTestAgainWith(const char* variable, const QString& value);
// Lets the process's files grow no further than bytes, a full disk in all but name: writes past
// it fail with EFBIG instead of killing the process.
bool LimitFileSize(qint64 bytes);
// Takes away the right to write into the folder and its files for the rest of the process: root
// gives up root (permissions do not bite it), anyone else loses the write bits.
bool LoseWriteAccess(const QString& folder);

class ComboBox;
class QAbstractButton;

// Picks an entry of a drop-down list the way a user does: opens the list and clicks the entry.
void Pick(ComboBox& list, const QString& entry);
// Types at the end of a field's text, as a user with the field focused does.
void Type(QWidget& field, const QString& text);
// Selects all of a field's text and types over it.
void Retype(QWidget& field, const QString& text);
