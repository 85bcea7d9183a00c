// How long each command of each program's window takes, the redraw included, on catalogues of
// growing size, beside SQLite alone: one durable commit of the same row, and the statements as
// written with every full list read again. Beyond its commit, every command should take at most
// 16 ms, one frame, at every size.
//
//   bench_commands [caldrin] [trensoly] [TRACKS...]      (default: both; 1000 100000 1000000)
//
// Both sides commit through the log with synchronous = EXTRA, so a change pays the same syncs on
// each, and a settings save writes its file the same way on each; the bare write column shows
// how much of the bare time those take.

#include "programcommands.h"

#include <algorithm>

using namespace bench;

namespace {

struct ProgramCase {
    Program program;
    std::unique_ptr<CommandBench> (*make)(const Catalogue& catalogue);
};

const ProgramCase kCases[] = {{Program::Caldrin, MakeCaldrinCommands},
                              {Program::Trensoly, [](const Catalogue& catalogue) {
                                   return MakeTrensolyCommands(catalogue);
                               }}};

void Measure(Program program, qint64 tracks) {
    const ProgramCase& programCase =
        *std::ranges::find(kCases, program, [](const ProgramCase& c) { return c.program; });
    const Catalogue catalogue(tracks, program);
    programCase.make(catalogue)->Measure(tracks);
    if (program == Program::Trensoly)
        MakeTrensolyCommands(catalogue, false)->Measure(tracks);
}

} // namespace

int main(int argc, char* argv[]) {
    return RunPrograms(argc, argv, "bench_commands", CommandBench::Table(),
                       QStringLiteral("target at every size: every command at most %1 ms beyond "
                                      "its bare durable commit (bare write ms)")
                           .arg(kTargetCommandMs),
                       Measure);
}
