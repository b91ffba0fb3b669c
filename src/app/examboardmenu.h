#pragma once

namespace hsa {

// Connects the hidden entry "Prüfungsvorsitzender / Schulleiter" of the menu
// "Allgemeine Eingaben" to its handler.
void RegisterExamBoardMenuHandler();

} // namespace hsa
