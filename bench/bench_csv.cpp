// How long exportcsv and importcsv take on catalogues of growing size, beside the sqlite3 shell
// doing the same work in the same run: writing every track as CSV in the order entered, and
// reading such a file into an empty catalogue (.import into a temporary table, then one
// INSERT ... SELECT). At a million tracks each tool should take at most 1.2× the shell's time.
//
//   bench_csv [caldrin] [trensoly] [TRACKS...]      (default: both; 1000 100000 1000000)

#include "benchsupport.h"
#include "democatalogue.h"

#include <QFile>

using namespace bench;

namespace {

constexpr double kToolRatio = 1.2;
// Smaller catalogues show how the fixed cost of starting a tool weighs; the target is judged here.
constexpr qint64 kJudgedTracks = 1000000;

const ResultTable kTable({{QStringLiteral("program"), 9},
                          {QStringLiteral("tracks"), 9},
                          {QStringLiteral("export ms"), 10},
                          {QStringLiteral("shell ms"), 9},
                          {QStringLiteral("ratio"), 6},
                          {QStringLiteral("import ms"), 10},
                          {QStringLiteral("shell ms"), 9},
                          {QStringLiteral("ratio"), 6}});

QString Tool(const char* name) {
    return QStringLiteral(MDCAT_TOOLS_FOLDER "/") + QString::fromLatin1(name);
}

QString Columns(Program program) {
    return tracktable::UserColumns(program).join(QStringLiteral(", "));
}

// The shell's side of an import: the file's rows into a temporary table, then into the tracks.
QString WriteImportScript(const QString& folder, Program program, const QString& csv) {
    const QString path = folder + QStringLiteral("/import.sql");
    QFile script(path);
    const QString columns = Columns(program);
    if (!script.open(QIODevice::WriteOnly) ||
        script.write(QStringLiteral("CREATE TEMP TABLE t (%1);\n"
                                    ".import --csv --skip 1 '%2' t\n"
                                    "INSERT INTO %3 (%1) SELECT %1 FROM t;\n")
                         .arg(columns, csv, tracktable::kTable)
                         .toUtf8()) < 0)
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

// An empty catalogue made afresh for each import, outside the time.
QString EmptyCatalogue(const QString& folder, Program program, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name;
    QFile::remove(path);
    democatalogue::Create(path, program, 0);
    return path;
}

void Measure(Program program, qint64 tracks) {
    const Catalogue catalogue(tracks, program);
    const QString folder = catalogue.Folder();
    const QString name = ProgramName(program);
    const QString csv = folder + QStringLiteral("/tracks.csv");
    const QString select =
        QStringLiteral("SELECT %1 FROM %2 ORDER BY ID").arg(Columns(program), tracktable::kTable);
    const QString script = WriteImportScript(folder, program, csv);
    std::vector<double> exported, shellExported, imported, shellImported;
    // The sides take turns, so a passing load on the machine slows each alike.
    for (int run = 0; run < kRepetitions; ++run) {
        exported.push_back(TimeToExit(Tool("exportcsv"), {name, catalogue.Path(), csv}));
        shellExported.push_back(TimeToExit(
            QStringLiteral("sqlite3"),
            {QStringLiteral("-csv"), QStringLiteral("-header"), catalogue.Path(), select}, {},
            folder + QStringLiteral("/shell.csv")));
        const QString ours = EmptyCatalogue(folder, program, QStringLiteral("ours.mdb"));
        imported.push_back(TimeToExit(Tool("importcsv"), {name, ours, csv}));
        const QString shells = EmptyCatalogue(folder, program, QStringLiteral("shell.mdb"));
        shellImported.push_back(TimeToExit(QStringLiteral("sqlite3"), {shells}, script));
    }
    const double exportRatio = Median(exported) / Median(shellExported);
    const double importRatio = Median(imported) / Median(shellImported);
    kTable.PrintRow({name, QString::number(tracks), Ms(Median(exported)), Ms(Median(shellExported)),
                     Ratio(exportRatio), Ms(Median(imported)), Ms(Median(shellImported)),
                     Ratio(importRatio)},
                    tracks == kJudgedTracks
                        ? MetOrMissed(exportRatio <= kToolRatio && importRatio <= kToolRatio)
                        : QString());
}

} // namespace

int main(int argc, char* argv[]) {
    return RunPrograms(argc, argv, "bench_csv", kTable,
                       QStringLiteral("target at %1 tracks: each tool at most %2× the sqlite3 "
                                      "shell doing the same work")
                           .arg(kJudgedTracks)
                           .arg(kToolRatio),
                       Measure);
}
