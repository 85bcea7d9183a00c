// How long each command of each program's window takes on catalogues of growing size, against
// SQLite alone running the same statements and reading the same rows. At 100,000 tracks every
// command should take under 1.5 times the statements' time and under 50 ms.
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
                              {Program::Trensoly, MakeTrensolyCommands}};

void Measure(Program program, qint64 tracks) {
    const ProgramCase& programCase =
        *std::ranges::find(kCases, program, [](const ProgramCase& c) { return c.program; });
    const Catalogue catalogue(tracks, program);
    programCase.make(catalogue)->Measure(tracks);
}

} // namespace

int main(int argc, char* argv[]) {
    return RunPrograms(argc, argv, "bench_commands", CommandBench::Table(),
                       QStringLiteral("targets at %1 tracks: every command under %2 ms and under "
                                      "%3 times bare SQLite")
                           .arg(kTargetTracks)
                           .arg(kTargetCommandMs)
                           .arg(kTargetRatio),
                       Measure);
}
