// What a run takes from the interface: the program's texts, the parameter
// value texts as the user left them and the interpolation, copied so that a
// run on another thread, in a session of its own, never reads the
// interface's session.
#ifndef MORFEL_STUDIO_PROGRAM_SNAPSHOT_H
#define MORFEL_STUDIO_PROGRAM_SNAPSHOT_H

#include <array>
#include <string>

#include "session/session.h"

struct ProgramSnapshot {
  CurrentProgram texts = {};
  std::array<std::string, kParamSlotCount> values;  // the twelve value boxes
  int32_t interpolation = 0;
};

// Takes the snapshot into a run's own context: the texts, the declarations
// read, then the value texts exactly as the boxes hold them (an empty box
// stays empty, as in the dialog), the interpolation; then compiles. The
// report says why the program cannot run.
CompileReport PrepareProgram(FilterContext& context, const ProgramSnapshot& snapshot);

#endif
