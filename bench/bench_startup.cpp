// How long each program takes to start on catalogues of growing size, as the user waits for it:
// from the process started to its window mapped on an X display. The floor is what cannot be
// avoided, in the same run: the sqlite3 shell running the statements the start-up runs, and a
// plain Qt window of the same kind mapped with Japanese text (bench_startfloor). An empty Qt
// window's start (bench_barewindow) is shown beside it, for what the text and widgets cost. A start
// may take at most 1.2 times the floor, at every size. Form_Load alone, and Form_Load while another
// copy backs the catalogue up, are further columns. Once started, a program should be resident in
// at most 64 MB.
//
//   bench_startup [caldrin] [trensoly] [TRACKS...]      (default: both; 1000 100000 1000000)

#include "benchsupport.h"
#include "frmcaldrin.h"
#include "frmtrensoly.h"
#include "msgbox.h"
#include "statements.h"
#include "windowmapped.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <memory>
#include <stdexcept>

using namespace bench;
using namespace statements;

namespace {

constexpr double kStartRatio = 1.2;
constexpr double kMostResidentMb = 64.0;

struct StartupCase {
    Program program;
    const char* executable;
    // What the main window's title starts with: a splash window comes first.
    const char* title;
    std::unique_ptr<CatalogueWindow> (*window)(const QString& folder);
    // The statements the start-up runs, in its order.
    QStringList (*statements)();
};

template <typename Window> std::unique_ptr<CatalogueWindow> Make(const QString& folder) {
    return std::make_unique<Window>(folder);
}

const StartupCase kCases[] = {
    {Program::Caldrin, MDCAT_CALDRIN_EXECUTABLE, "Caldrin Ver", Make<frmCaldrin>,
     [] {
         return QStringList{caldrin::AllAlbums(), caldrin::AllArtistsOrdered()};
     }},
    // Without a settings file the disc list is given no direction, and the browse tabs are bound
    // to the lists' text, which filling has just cleared.
    {Program::Trensoly, MDCAT_TRENSOLY_EXECUTABLE, "Trensoly Ver", Make<frmTrensoly>,
     [] {
         return QStringList{trensoly::AllDiscs({}), trensoly::TracksOfDisc({}), AllArtists(),
                            trensoly::TracksOfArtist({})};
     }},
};

const ResultTable kTable({{QStringLiteral("program"), 9},
                          {QStringLiteral("tracks"), 9},
                          {QStringLiteral("rows read"), 10},
                          {QStringLiteral("start ms"), 9},
                          {QStringLiteral("floor ms"), 9},
                          {QStringLiteral("ratio"), 7},
                          {QStringLiteral("bare ms"), 8},
                          {QStringLiteral("resident MB"), 12},
                          {QStringLiteral("Form_Load ms"), 13},
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

// The program as installed: the executable beside its catalogue, started in its folder.
QString InstallBeside(const StartupCase& startup, const Catalogue& catalogue) {
    const QString copy = catalogue.Folder() + QLatin1Char('/') + ProgramName(startup.program);
    if (!QFile::copy(QString::fromUtf8(startup.executable), copy))
        throw std::runtime_error("cannot copy the program to " + copy.toStdString());
    return copy;
}

MappedWindow Start(const VirtualDisplay& display, const StartupCase& startup,
                   const QString& executable, const Catalogue& catalogue) {
    return TimeToWindowMapped(display, executable, QString::fromUtf8(startup.title),
                              catalogue.Folder());
}

double FloorMs(const VirtualDisplay& display, const StartupCase& startup,
               const Catalogue& catalogue) {
    const double shell =
        TimeToExit(QStringLiteral("sqlite3"), {QStringLiteral("-readonly"), catalogue.Path(),
                                               startup.statements().join(u";\n")});
    return shell + TimeToWindowMapped(display, QStringLiteral(MDCAT_START_FLOOR_EXECUTABLE),
                                      QStringLiteral("floor"), catalogue.Folder())
                       .ms;
}

double BareMs(const VirtualDisplay& display, const Catalogue& catalogue) {
    return TimeToWindowMapped(display, QStringLiteral(MDCAT_BARE_WINDOW_EXECUTABLE),
                              QStringLiteral("bare"), catalogue.Folder())
        .ms;
}

void Measure(Program program, qint64 tracks) {
    static const VirtualDisplay display;
    const StartupCase& startup =
        *std::ranges::find(kCases, program, [](const StartupCase& c) { return c.program; });
    const Catalogue catalogue(tracks, program);
    const QString executable = InstallBeside(startup, catalogue);
    const qint64 rows = ReadStatements(startup, catalogue.Path());
    // The sides take turns, so a passing load on the machine slows each alike.
    std::vector<double> start, resident, floor, bare, formLoad, duringBackup;
    for (int i = 0; i < kRepetitions; ++i) {
        const MappedWindow started = Start(display, startup, executable, catalogue);
        start.push_back(started.ms);
        resident.push_back(started.residentMb);
        floor.push_back(FloorMs(display, startup, catalogue));
        bare.push_back(BareMs(display, catalogue));
        formLoad.push_back(FormLoadMs(startup, catalogue.Folder()));
        duringBackup.push_back(FormLoadDuringBackupMs(startup, catalogue));
    }
    const double ratio = Median(start) / Median(floor);
    const double residentMb = Median(resident);
    kTable.PrintRow({ProgramName(program), QString::number(tracks), QString::number(rows),
                     Ms(Median(start)), Ms(Median(floor)), Ratio(ratio), Ms(Median(bare)),
                     QString::number(residentMb, 'f', 1), Ms(Median(formLoad)),
                     Ms(Median(duringBackup))},
                    MetOrMissed(ratio <= kStartRatio && residentMb <= kMostResidentMb));
}

} // namespace

int main(int argc, char* argv[]) {
    return RunPrograms(
        argc, argv, "bench_startup", kTable,
        QStringLiteral("targets at every size: start at most %1 times the floor, at most %2 MB "
                       "resident once started")
            .arg(kStartRatio)
            .arg(kMostResidentMb),
        Measure);
}
