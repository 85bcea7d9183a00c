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
// both alike. Each turn pairs a run of ours with a run of the floor straight after it; the
// verdict is the median of the turns' ratios, so one turn's passing load moves neither side's
// figure alone.

#include "buswatch.h"
#include "programcommands.h"
#include "settling.h"

#include <QApplication>
#include <QHeaderView>
#include <QProcess>
#include <algorithm>
#include <map>
#include <stdexcept>

using namespace bench;

namespace {

constexpr int kRounds = 11;
constexpr int kTurns = 3;
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

// A figure's median over the turns, and the median of each turn's ratio of ours to the floor.
struct OverTurns {
    double ours, floor, ratio;
};

OverTurns AcrossTurns(const std::vector<Costs>& ours, const std::vector<Costs>& floor,
                      const QString& command, double Cost::*figure) {
    std::vector<double> mine, bare, ratios;
    for (size_t turn = 0; turn < ours.size(); ++turn) {
        mine.push_back(ours[turn].at(command).*figure);
        bare.push_back(floor[turn].at(command).*figure);
        ratios.push_back(mine.back() / std::max(bare.back(), 1e-9));
    }
    return {Median(mine), Median(bare), Median(ratios)};
}

bool missed = false;

void Compare(Program program, qint64 tracks) {
    std::vector<Costs> ours, floor;
    for (int turn = 0; turn < kTurns; ++turn) {
        const Side side = Run(QApplication::applicationFilePath(),
                              {kSide, ProgramName(program), QString::number(tracks)});
        ours.push_back(side.costs);
        floor.push_back(
            Run(QStringLiteral(MDCAT_FLOOR_WINDOW_EXECUTABLE),
                side.shape + QStringList{QString::number(kRounds), QString::number(kSettleMs)})
                .costs);
    }
    for (const auto& [command, unused] : ours.front()) {
        const OverTurns cpu = AcrossTurns(ours, floor, command, &Cost::cpuMs);
        const OverTurns questions = AcrossTurns(ours, floor, command, &Cost::questions);
        const OverTurns sent = AcrossTurns(ours, floor, command, &Cost::sent);
        const bool met = cpu.ratio <= kAllowedCpuRatio && questions.ratio <= kAllowedQuestionRatio;
        missed = missed || !met;
        kTable.PrintRow({ProgramName(program), QString::number(tracks), command, Ms(cpu.ours),
                         Ms(cpu.floor), Ratio(cpu.ratio), QString::number(questions.ours),
                         QString::number(questions.floor), QString::number(sent.ours),
                         QString::number(sent.floor)},
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
