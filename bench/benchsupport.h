#pragma once

#include "settling.h"
#include "sqlitehandle.h"
#include "tracktable.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>
#include <vector>

// What every benchmark of the programs shares: the catalogues, the timing, SQLite alone to
// compare with, and the table of results.
namespace bench {

inline constexpr int kRepetitions = 5;
// The size the targets are judged at.
inline constexpr qint64 kTargetTracks = 100000;
// At that size the window may cost at most this many times what SQLite alone takes for the
// same statements.
inline constexpr double kTargetRatio = 1.5;

QTextStream& Out();

// A process's resident set now, from the kernel's own account: this process's by default.
double ResidentMb(qint64 pid = 0);
double ElapsedMs(const std::function<void()>& work);
// Starts program and waits for it to end, with its standard input from a file if one is named
// and its standard output to output; throws unless it ends with 0.
double TimeToExit(const QString& program, const QStringList& arguments, const QString& input = {},
                  const QString& output = QProcess::nullDevice());
// Each run times itself, so it can leave out what it has to prepare.
double MedianMs(const std::function<double()>& timedRun);

// "caldrin" or "trensoly", as on the command line.
QString ProgramName(Program program);

// A demo catalogue of a program in a folder of its own, which is also made the current folder:
// TITLE.TXT is read from there, and an empty folder keeps a stray one out.
class Catalogue {
public:
    explicit Catalogue(qint64 tracks, Program program = Program::Caldrin);
    QString Folder() const { return folder_.path(); }
    const QString& Path() const { return path_; }

private:
    QTemporaryDir folder_;
    QString path_;
};

SqliteHandle OpenBare(const QString& path, int flags);
StatementHandle PrepareBare(sqlite3* db, const QString& sql);
// Steps a prepared statement to its end, fetching every column of every row as the window's
// recordsets do; returns how many rows there were.
qint64 ReadRows(sqlite3* db, sqlite3_stmt* stmt);
qint64 ReadAll(sqlite3* db, const QString& sql);
// The first column of every row, for choosing what to work on.
QStringList FirstColumn(sqlite3* db, const QString& sql);

// Right-aligned columns of fixed width; a row may end in a remark beyond the last column.
class ResultTable {
public:
    struct Column {
        QString title;
        int width;
    };
    explicit ResultTable(std::vector<Column> columns) : columns_(std::move(columns)) {}
    void PrintHeader() const;
    void PrintRow(const QStringList& cells, const QString& remark = {}) const;

private:
    std::vector<Column> columns_;
};

// The remark on a row of the size the targets are judged at; none on other rows.
QString Verdict(qint64 tracks, bool targetsMet);

// The remark on a row judged by its targets.
QString MetOrMissed(bool met);

QString Ms(double ms);
QString Ratio(double ratio);

// Sets up a QApplication on the offscreen platform and hands the body the catalogue sizes asked
// for on the command line (default: 1,000, 100,000 and 1,000,000 tracks). Message boxes are
// answered without being shown, and a failure is reported on stderr. Returns main's exit code.
int Run(int argc, char* argv[], const char* name,
        const std::function<void(const std::vector<qint64>& sizes)>& body);
// The same for a benchmark of both programs: program names may come before the sizes, and
// without any both are measured. Prints the table's header, measures each size for each
// program, and ends with the targets.
int RunPrograms(int argc, char* argv[], const char* name, const ResultTable& table,
                const QString& targets,
                const std::function<void(Program program, qint64 tracks)>& measure);

} // namespace bench
