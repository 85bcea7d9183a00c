// What a screen reader costs each command that moves the focus, against the toolkit's floor: the
// CPU time the whole program spends on the command, its events and Orca's questions afterwards,
// with the questions Orca asks and the signals the program raises, in our window and in a plain Qt
// window of the same shape (bench_floorwindow) driven through the same focus changes, under the
// same Orca in the same run. Ours may cost at most 1.2 times the floor's CPU time, and draw at
// most a tenth more questions.
//
//   scripts/accessibility-session.sh --orca build/bench/bench_accessibility [caldrin]
//                                                                    [trensoly] [TRACKS...]
//
// Each window runs in a process of its own, the two taking turns, so that a passing load slows
// both alike; each command's figure is the lower of its medians over the turns.

#include "buswatch.h"
#include "programcommands.h"

#include <QApplication>
#include <QHeaderView>
#include <QProcess>
#include <algorithm>
#include <map>
#include <stdexcept>

using namespace bench;

namespace {

constexpr int kRounds = 11;
constexpr int kTurns = 2;
// A slice of settling: long enough that one without a question means Orca is done.
constexpr int kSettleMs = 150;
constexpr double kAllowedCpuRatio = 1.2;
constexpr double kAllowedQuestionRatio = 1.1;
const QString kSide = QStringLiteral("--side");

// Our commands that the floor window gives too, by the name each program's benchmark uses.
const std::map<QString, QString> kFloorCommand = {
    {QStringLiteral("pick tab1"), QStringLiteral("pick in a list")},
    {QStringLiteral("pick MD(2)"), QStringLiteral("pick in a list")},
    {QStringLiteral("grid move"), QStringLiteral("row move in the grid")},
    {QStringLiteral("add"), QStringLiteral("add")}};

const ResultTable kTable({{QStringLiteral("program"), 9},
                          {QStringLiteral("tracks"), 8},
                          {QStringLiteral("command"), 21},
                          {QStringLiteral("CPU ms ours"), 12},
                          {QStringLiteral("floor"), 7},
                          {QStringLiteral("ratio"), 6},
                          {QStringLiteral("questions ours"), 15},
                          {QStringLiteral("floor"), 7},
                          {QStringLiteral("signals ours"), 13},
                          {QStringLiteral("floor"), 7}});

struct Cost {
    double cpuMs, questions, sent;
};
using Costs = std::map<QString, Cost>;

struct Side {
    Costs costs;
    // The floor window's arguments, from the shape of ours.
    QStringList shape;
};

void PrintShape(const ComboBox& list, const DataGrid& grid) {
    int columns = 0;
    for (int column = 0; column < grid.model()->columnCount(); ++column)
        columns += grid.isColumnHidden(column) ? 0 : 1;
    Out() << "shape\t" << list.count() << '\t' << grid.RowCount() << '\t' << columns << '\t'
          << grid.width() << '\t' << grid.height() << '\n';
}

void MeasureOurs(Program program, qint64 tracks) {
    if (!AccessibilityActive())
        throw std::runtime_error("accessibility is not active: run the benchmark through "
                                 "scripts/accessibility-session.sh --orca");
    SetSettleMs(kSettleMs);
    const Catalogue catalogue(tracks, program);
    const auto commands = program == Program::Caldrin ? MakeCaldrinCommands(catalogue)
                                                      : MakeTrensolyCommands(catalogue);
    BusWatch watch;
    commands->RunWindowRounds(kRounds);
    watch.Stop();
    std::vector<Measured> measured;
    for (int command = 0; command < commands->Commands().size(); ++command) {
        const auto floor = kFloorCommand.find(commands->Commands()[command]);
        if (floor != kFloorCommand.end())
            measured.push_back({floor->second, commands->CpuMs(command), commands->Spans(command)});
    }
    PrintMedians(measured, watch);
    const auto [list, grid] = commands->FirstBrowseTab();
    PrintShape(*list, *grid);
    Out().flush();
}

Side Run(const QString& program, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    QProcess side;
    side.setProcessEnvironment(environment);
    side.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    side.start(program, arguments);
    if (!side.waitForFinished(-1) || side.exitCode() != 0)
        throw std::runtime_error("a measuring process failed: " + program.toStdString());
    Side read;
    for (const QString& line : QString::fromUtf8(side.readAllStandardOutput()).split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 5 && fields[0] == QStringLiteral("cost"))
            read.costs[fields[1]] = {fields[2].toDouble(), fields[3].toDouble(),
                                     fields[4].toDouble()};
        else if (fields.size() == 6 && fields[0] == QStringLiteral("shape"))
            read.shape = fields.mid(1);
    }
    if (read.costs.empty())
        throw std::runtime_error("a measuring process printed no costs: " + program.toStdString());
    return read;
}

// The lower figure of each turn: a load that passed during one turn does not count.
void KeepLower(Costs& kept, const Costs& turn) {
    for (const auto& [command, cost] : turn) {
        const auto [it, added] = kept.emplace(command, cost);
        if (!added)
            it->second = {std::min(it->second.cpuMs, cost.cpuMs),
                          std::min(it->second.questions, cost.questions),
                          std::min(it->second.sent, cost.sent)};
    }
}

bool missed = false;

void Compare(Program program, qint64 tracks) {
    Costs ours, floor;
    for (int turn = 0; turn < kTurns; ++turn) {
        const Side side = Run(QApplication::applicationFilePath(),
                              {kSide, ProgramName(program), QString::number(tracks)});
        KeepLower(ours, side.costs);
        KeepLower(floor, Run(QStringLiteral(MDCAT_FLOOR_WINDOW_EXECUTABLE),
                             side.shape +
                                 QStringList{QString::number(kRounds), QString::number(kSettleMs)})
                             .costs);
    }
    for (const auto& [command, cost] : ours) {
        const Cost& bare = floor.at(command);
        const bool met = cost.cpuMs <= kAllowedCpuRatio * bare.cpuMs &&
                         cost.questions <= kAllowedQuestionRatio * bare.questions;
        missed = missed || !met;
        kTable.PrintRow({ProgramName(program), QString::number(tracks), command, Ms(cost.cpuMs),
                         Ms(bare.cpuMs), Ratio(cost.cpuMs / bare.cpuMs),
                         QString::number(cost.questions), QString::number(bare.questions),
                         QString::number(cost.sent), QString::number(bare.sent)},
                        MetOrMissed(met));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && argv[1] == kSide) {
        argv[1] = argv[0];
        return RunPrograms(argc - 1, argv + 1, "bench_accessibility", ResultTable({}), {},
                           MeasureOurs);
    }
    const int status = RunPrograms(
        argc, argv, "bench_accessibility", kTable,
        QStringLiteral("target: under Orca, each command within %1 times the floor window's CPU "
                       "time, and with at most %2 times its questions")
            .arg(kAllowedCpuRatio)
            .arg(kAllowedQuestionRatio),
        Compare);
    return status != 0 ? status : int(missed);
}
