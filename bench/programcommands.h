#pragma once

#include "commandsupport.h"

#include <memory>

// Each program's commands, started on a catalogue of that program.
namespace bench {

std::unique_ptr<CommandBench> MakeCaldrinCommands(const Catalogue& catalogue);
// saveOrder: each round saves 昇順 first; otherwise no settings are ever saved, as on a new
// install, and the disc list has no order of its own.
std::unique_ptr<CommandBench> MakeTrensolyCommands(const Catalogue& catalogue,
                                                   bool saveOrder = true);

} // namespace bench
