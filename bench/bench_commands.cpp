// How long each command of each program's window takes on catalogues of growing size, beside
// SQLite alone running the statements as written, with every full list read again after each
// change. Every command should take under 5 ms at 100,000 tracks and under 16 ms, one frame, at
// 1,000,000.
//
//   bench_commands [caldrin] [trensoly] [TRACKS...]      (default: both; 1000 100000 1000000)
//
// Both sides commit with synchronous = EXTRA, so a change pays the same syncs on each, and a
// settings save writes its file the same way on each; the bare write column shows how much of
// the bare time those take.

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
                       QStringLiteral("targets: every command under %1 ms at %2 tracks and under "
                                      "%3 ms at %4 tracks")
                           .arg(kTargetCommandMsAtTarget)
                           .arg(kTargetTracks)
                           .arg(kTargetCommandMs)
                           .arg(kLargestTracks),
                       Measure);
}
