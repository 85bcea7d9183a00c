#pragma once

#include "trackcsv.h"
#include "tracktable.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

// The conventions every tool keeps: -h/--help and --version print to standard output and end the
// run with status 0; every error goes to standard error in Japanese, like the database layer's
// messages, and ends it with status 1; Qt's own diagnostics never reach the terminal.
class ToolCommandLine {
public:
    // help: the synopsis and what the arguments mean; the common options are added after it.
    ToolCommandLine(QString name, QString help);

    QCommandLineParser& Parser() { return parser_; }
    const QCommandLineParser& Parser() const { return parser_; }

    // Returns the exit status when the run is already over: after help, the version or an error.
    std::optional<int> Parse(int argc, char* argv[]);

    // The arguments that are not options, once parsed.
    QStringList Arguments() const { return parser_.positionalArguments(); }

    // Refuses too few or too many arguments; returns the exit status when it did.
    std::optional<int> ExpectArguments(qsizetype count) const;

    // Parse, then between fewest and most arguments, the first of them naming the program;
    // returns the exit status when the run is already over. The program is NamedProgram() after.
    std::optional<int> ParseProgramRun(int argc, char* argv[], qsizetype fewest, qsizetype most);
    Program NamedProgram() const { return program_; }

    // The program an argument names, "caldrin" or "trensoly"; nothing, with the mistake told,
    // when it names neither.
    std::optional<Program> ProgramNamed(const QString& name) const;

    // A mistake on the command line: the message and where to find the right form.
    int UsageError(const QString& message) const;
    // A failure of the work itself.
    int Error(const QString& message) const;

private:
    QString name_, help_;
    QCommandLineParser parser_;
    QCommandLineOption helpOption_, versionOption_;
    Program program_ = Program::Caldrin;
};

// SIGINT, SIGTERM and SIGHUP stop the work at its next step instead of ending the process on the
// spot, so that what it made so far is removed as after any failure; a statement running on the
// catalogue is interrupted. A second signal ends the process at once.
void StopOnSignals(sqlite3* catalogue);
// The signal that asked the work to stop, or 0.
int StopSignal();

// Appends the tracks of the CSV file to the catalogue, for importcsv and mkcatalogue --import.
// Every bad row goes to standard error as FILE:LINE: reason, the form editors jump to, and then
// nothing is written and the status is 1; otherwise the number of tracks added goes to standard
// output and the status is 0. Throws DbError when the write fails.
int ImportTracks(const ToolCommandLine& cli, Database& db, Program program, const QString& csvPath);
// Every problem as FILE:LINE: reason, then that nothing was added; the status is 1.
int ReportProblems(const ToolCommandLine& cli, const QString& path,
                   const QList<trackcsv::Problem>& problems);
