// How long exportcsv and importcsv take on catalogues of growing size, beside the floor doing the
// same work in the same run: the sqlite3 shell writing every track as CSV in the order entered,
// to a file and to standard output, and reading such a file into an empty catalogue (.import
// into a temporary table, then one INSERT ... SELECT); libxlsxwriter alone writing the same
// cells as a workbook (bench_xlsxfloor). At a million tracks each tool should take at most 1.2×
// its floor, and reading the workbook at most 1.5× reading the CSV.
//
//   bench_csv [caldrin] [trensoly] [TRACKS...]      (default: both; 1000 100000 1000000)

#include "benchsupport.h"
#include "democatalogue.h"

#include <QFile>

using namespace bench;

namespace {

constexpr double kToolRatio = 1.2;
constexpr double kWorkbookImportRatio = 1.5;
// Smaller catalogues show how the fixed cost of starting a tool weighs; the target is judged here.
constexpr qint64 kJudgedTracks = 1000000;

const ResultTable kTable({{QStringLiteral("program"), 9},
                          {QStringLiteral("tracks"), 9},
                          {QStringLiteral("export ms"), 10},
                          {QStringLiteral("shell ms"), 9},
                          {QStringLiteral("ratio"), 6},
                          {QStringLiteral("stdout ms"), 10},
                          {QStringLiteral("ratio"), 6},
                          {QStringLiteral("xlsx ms"), 8},
                          {QStringLiteral("floor ms"), 9},
                          {QStringLiteral("ratio"), 6},
                          {QStringLiteral("import ms"), 10},
                          {QStringLiteral("shell ms"), 9},
                          {QStringLiteral("ratio"), 6},
                          {QStringLiteral("xlsx in ms"), 11},
                          {QStringLiteral("/ csv"), 6}});

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
    const QString workbook = folder + QStringLiteral("/tracks.xlsx");
    std::vector<double> exported, shellExported, toStdout, exportedBook, floorBook, imported,
        shellImported, importedBook;
    // The sides take turns, so a passing load on the machine slows each alike.
    for (int run = 0; run < kRepetitions; ++run) {
        exported.push_back(TimeToExit(Tool("exportcsv"), {name, catalogue.Path(), csv}));
        shellExported.push_back(TimeToExit(
            QStringLiteral("sqlite3"),
            {QStringLiteral("-csv"), QStringLiteral("-header"), catalogue.Path(), select}, {},
            folder + QStringLiteral("/shell.csv")));
        toStdout.push_back(TimeToExit(Tool("exportcsv"), {name, catalogue.Path()}, {},
                                      folder + QStringLiteral("/stdout.csv")));
        exportedBook.push_back(TimeToExit(Tool("exportcsv"), {name, catalogue.Path(), workbook}));
        floorBook.push_back(
            TimeToExit(QStringLiteral(MDCAT_XLSX_FLOOR_EXECUTABLE),
                       QStringList{catalogue.Path(), folder + QStringLiteral("/floor.xlsx")} +
                           tracktable::UserColumns(program)));
        const QString ours = EmptyCatalogue(folder, program, QStringLiteral("ours.mdb"));
        imported.push_back(TimeToExit(Tool("importcsv"), {name, ours, csv}));
        const QString shells = EmptyCatalogue(folder, program, QStringLiteral("shell.mdb"));
        shellImported.push_back(TimeToExit(QStringLiteral("sqlite3"), {shells}, script));
        const QString fromBook = EmptyCatalogue(folder, program, QStringLiteral("book.mdb"));
        importedBook.push_back(TimeToExit(Tool("importcsv"), {name, fromBook, workbook}));
    }
    const auto ratio = [](const std::vector<double>& ours, const std::vector<double>& floor) {
        return Median(ours) / Median(floor);
    };
    const double exportRatio = ratio(exported, shellExported);
    const double stdoutRatio = ratio(toStdout, shellExported);
    const double bookRatio = ratio(exportedBook, floorBook);
    const double importRatio = ratio(imported, shellImported);
    const double bookImportRatio = ratio(importedBook, imported);
    const bool met = exportRatio <= kToolRatio && stdoutRatio <= kToolRatio &&
                     bookRatio <= kToolRatio && importRatio <= kToolRatio &&
                     bookImportRatio <= kWorkbookImportRatio;
    kTable.PrintRow({name, QString::number(tracks), Ms(Median(exported)), Ms(Median(shellExported)),
                     Ratio(exportRatio), Ms(Median(toStdout)), Ratio(stdoutRatio),
                     Ms(Median(exportedBook)), Ms(Median(floorBook)), Ratio(bookRatio),
                     Ms(Median(imported)), Ms(Median(shellImported)), Ratio(importRatio),
                     Ms(Median(importedBook)), Ratio(bookImportRatio)},
                    tracks == kJudgedTracks ? MetOrMissed(met) : QString());
}

} // namespace

int main(int argc, char* argv[]) {
    return RunPrograms(argc, argv, "bench_csv", kTable,
                       QStringLiteral("target at %1 tracks: each tool at most %2× its floor "
                                      "doing the same work, a workbook read at most %3× the CSV")
                           .arg(kJudgedTracks)
                           .arg(kToolRatio)
                           .arg(kWorkbookImportRatio),
                       Measure);
}
