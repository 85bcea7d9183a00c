#pragma once

#include "commandsupport.h"

#include <memory>

// Each program's commands, started on a catalogue of that program.
namespace bench {

std::unique_ptr<CommandBench> MakeCaldrinCommands(const Catalogue& catalogue);
std::unique_ptr<CommandBench> MakeTrensolyCommands(const Catalogue& catalogue);

} // namespace bench
