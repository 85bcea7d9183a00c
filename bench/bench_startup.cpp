// How long each program's window takes to start on catalogues of growing size, against SQLite
// alone running the statements its start-up runs. The window should cost little more than the
// statements: at 100,000 tracks, under 1.5 times their time and under half a second in all.
//
//   bench_startup [caldrin] [trensoly] [TRACKS...]      (default: both; 1000 100000 1000000)

#include "benchsupport.h"
#include "frmcaldrin.h"
#include "frmtrensoly.h"
#include "msgbox.h"
#include "statements.h"

#include <QDir>
#include <algorithm>
#include <memory>
#include <stdexcept>

using namespace bench;
using namespace statements;

namespace {

constexpr double kTargetFormLoadMs = 500.0;

struct StartupCase {
    Program program;
    std::unique_ptr<CatalogueWindow> (*window)(const QString& folder);
    // The statements the start-up runs, in its order.
    QStringList (*statements)();
};

template <typename Window> std::unique_ptr<CatalogueWindow> Make(const QString& folder) {
    return std::make_unique<Window>(folder);
}

const StartupCase kCases[] = {
    {Program::Caldrin, Make<frmCaldrin>,
     [] {
         return QStringList{caldrin::AllAlbums(), caldrin::AllArtistsOrdered()};
     }},
    // Without a settings file the disc list is given no direction, and the browse tabs are bound
    // to the lists' text, which filling has just cleared.
    {Program::Trensoly, Make<frmTrensoly>,
     [] {
         return QStringList{trensoly::AllDiscs({}), trensoly::TracksOfDisc({}), AllArtists(),
                            trensoly::TracksOfArtist({})};
     }},
};

const ResultTable kTable({{QStringLiteral("program"), 9},
                          {QStringLiteral("tracks"), 9},
                          {QStringLiteral("rows read"), 10},
                          {QStringLiteral("Form_Load ms"), 13},
                          {QStringLiteral("bare ms"), 9},
                          {QStringLiteral("ratio"), 7},
                          {QStringLiteral("during backup ms"), 17}});

// The start-up as main runs it, less the window's construction, which the catalogue's size does
// not touch.
double FormLoadMs(const StartupCase& startup, const QString& folder) {
    const std::unique_ptr<CatalogueWindow> window = startup.window(folder);
    bool loaded = false;
    const double ms = ElapsedMs([&] { loaded = window->Form_Load(); });
    if (!loaded)
        throw std::runtime_error(MessageBox::TakeShown().value(0).prompt.toStdString());
    return ms;
}

// A second copy started while the first backs the catalogue up, as the program does once its
// window is shown: the backup must not slow the start-up down.
double FormLoadDuringBackupMs(const StartupCase& startup, const Catalogue& catalogue) {
    QDir(catalogue.Folder() + QStringLiteral("/backup")).removeRecursively();
    const std::unique_ptr<CatalogueWindow> first = startup.window(catalogue.Folder());
    if (!first->Form_Load())
        throw std::runtime_error("the first copy did not start");
    first->StartBackup();
    return FormLoadMs(startup, catalogue.Folder());
}

qint64 ReadStatements(const StartupCase& startup, const QString& path) {
    const SqliteHandle db = OpenBare(path, SQLITE_OPEN_READONLY);
    qint64 rows = 0;
    for (const QString& sql : startup.statements())
        rows += ReadAll(db.get(), sql);
    return rows;
}

void Measure(Program program, qint64 tracks) {
    const StartupCase& startup =
        *std::ranges::find(kCases, program, [](const StartupCase& c) { return c.program; });
    const Catalogue catalogue(tracks, program);
    const qint64 rows = ReadStatements(startup, catalogue.Path());
    // The two sides take turns, so a passing load on the machine slows both alike.
    std::vector<double> bare, window, duringBackup;
    for (int i = 0; i < kRepetitions; ++i) {
        bare.push_back(ElapsedMs([&] { ReadStatements(startup, catalogue.Path()); }));
        window.push_back(FormLoadMs(startup, catalogue.Folder()));
        duringBackup.push_back(FormLoadDuringBackupMs(startup, catalogue));
    }
    const double bareMs = Median(bare);
    const double formLoadMs = Median(window);
    const double ratio = formLoadMs / bareMs;
    kTable.PrintRow({ProgramName(program), QString::number(tracks), QString::number(rows),
                     Ms(formLoadMs), Ms(bareMs), Ratio(ratio), Ms(Median(duringBackup))},
                    Verdict(tracks, formLoadMs < kTargetFormLoadMs && ratio < kTargetRatio));
}

} // namespace

int main(int argc, char* argv[]) {
    return RunPrograms(argc, argv, "bench_startup", kTable,
                       QStringLiteral("targets at %1 tracks: ratio under %2, Form_Load under %3 ms")
                           .arg(kTargetTracks)
                           .arg(kTargetRatio)
                           .arg(kTargetFormLoadMs),
                       Measure);
}
