// What assistive technology costs each command: the CPU time the whole program spends on a
// command, its events and the questions a screen reader asks afterwards, with the desktop's
// accessibility bus active and without it. Active, a command may cost at most twice as much as
// without, plus 2 ms.
//
//   scripts/accessibility-session.sh build/bench/bench_accessibility [caldrin] [trensoly]
//                                                                    [TRACKS...]
//
// The session script runs the benchmark on a virtual X display with an accessibility bus and a
// client listening to every event, as a screen reader does. Each side runs in a process of its
// own, since accessibility is switched on for a whole process when it starts.

#include "programcommands.h"

#include <QAccessible>
#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

using namespace bench;

namespace {

constexpr int kRounds = 15;
// A slice of settling: long enough that one without a question means the client is done.
constexpr int kSettleMs = 150;
constexpr double kAllowedRatio = 2.0;
constexpr double kAllowedExtraMs = 2.0;
const QString kSide = QStringLiteral("--side");
const QString kActive = QStringLiteral("active");
const QString kForceOn = QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");

const ResultTable kTable({{QStringLiteral("program"), 9},
                          {QStringLiteral("tracks"), 9},
                          {QStringLiteral("command"), 14},
                          {QStringLiteral("CPU ms without"), 15},
                          {QStringLiteral("CPU ms active"), 14},
                          {QStringLiteral("allowed ms"), 11}});

using Medians = std::vector<std::pair<QString, double>>;

// The accessibility bridge connects to its bus once the event loop runs. A side that was not
// asked for it waits as long, idle, so it cannot tell too soon.
bool AccessibilityActive() {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (QAccessible::isActive())
            loop.quit();
    });
    poll.start(50);
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec();
    return QAccessible::isActive();
}

void MeasureSide(Program program, qint64 tracks, bool active) {
    if (AccessibilityActive() != active)
        throw std::runtime_error(active ? "accessibility is not active: run the benchmark "
                                          "through scripts/accessibility-session.sh"
                                        : "accessibility is active without being asked for");
    SetSettleMs(kSettleMs);
    const Catalogue catalogue(tracks, program);
    const auto commands = program == Program::Caldrin ? MakeCaldrinCommands(catalogue)
                                                      : MakeTrensolyCommands(catalogue);
    for (const auto& [command, ms] : commands->CpuMedians(kRounds))
        Out() << "cpu\t" << command << '\t' << ms << '\n';
}

// Runs one side in a process of its own and reads its medians.
Medians RunSide(Program program, qint64 tracks, bool active) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (active)
        environment.insert(kForceOn, QStringLiteral("1"));
    else {
        environment.remove(kForceOn);
        // A real reader switches accessibility on for every program on the bus; this side must
        // not find the bus at all.
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           QStringLiteral("unix:path=/nonexistent"));
        environment.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
    }
    QProcess side;
    side.setProcessEnvironment(environment);
    side.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    side.start(QApplication::applicationFilePath(),
               {kSide, active ? kActive : QStringLiteral("without"), ProgramName(program),
                QString::number(tracks)});
    if (!side.waitForFinished(-1) || side.exitCode() != 0)
        throw std::runtime_error("a measuring process failed");
    Medians medians;
    for (const QString& line : QString::fromUtf8(side.readAllStandardOutput()).split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 3 && fields[0] == QStringLiteral("cpu"))
            medians.emplace_back(fields[1], fields[2].toDouble());
    }
    return medians;
}

bool missed = false;

void Compare(Program program, qint64 tracks) {
    const Medians without = RunSide(program, tracks, false);
    const Medians active = RunSide(program, tracks, true);
    if (active.size() != without.size())
        throw std::runtime_error("the two sides measured different commands");
    for (size_t i = 0; i < without.size(); ++i) {
        const auto& [command, withoutMs] = without[i];
        const double allowedMs = kAllowedRatio * withoutMs + kAllowedExtraMs;
        const double activeMs = active[i].second;
        missed = missed || activeMs > allowedMs;
        kTable.PrintRow({ProgramName(program), QString::number(tracks), command, Ms(withoutMs),
                         Ms(activeMs), Ms(allowedMs)},
                        MetOrMissed(activeMs <= allowedMs));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 2 && argv[1] == kSide) {
        const bool active = argv[2] == kActive;
        argv[2] = argv[0];
        return RunPrograms(
            argc - 2, argv + 2, "bench_accessibility", ResultTable({}), {},
            [&](Program program, qint64 tracks) { MeasureSide(program, tracks, active); });
    }
    const int status =
        RunPrograms(argc, argv, "bench_accessibility", kTable,
                    QStringLiteral("target: active, each command within %1 times its CPU time "
                                   "without, plus %2 ms")
                        .arg(kAllowedRatio)
                        .arg(kAllowedExtraMs),
                    Compare);
    return status != 0 ? status : int(missed);
}
