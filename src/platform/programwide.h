#pragma once

// The objects that live for the whole run: the shared state, the singletons
// of the units (class files, grade table, grade window, printer, stick
// transfer, archive, word forms, subject-list choice), the program's windows,
// the menu handlers and the hook tables through which the windows reach the
// units.  Each unit registers, next to its object, how that object returns to
// its state at start; ResetProgramWideObjects() runs all of them, so that the
// program is as it starts without a new process.  Every test fixture starts
// and ends with it, so that no case sees what another left behind.
namespace hsa {

// When a reset runs: the windows go first, since they may still call into the
// objects while they are destroyed.
enum class ResetOrder { Windows, Objects };

// Registers reset; meant for a namespace-scope constant beside the object,
// so that an object is reset in every program that links it:
//   const ProgramWideReset resetPrinter(ResetOrder::Objects, [] { printer().reset(); });
class ProgramWideReset {
public:
    ProgramWideReset(ResetOrder order, void (*reset)());
};

// Runs every registered reset, the windows first.
void ResetProgramWideObjects();

} // namespace hsa
