#pragma once

namespace hsa {

// The exchange with the report-card program: the import dialog's window class
// and the menu entries of the final-grade export, the take-in of encrypted
// class files and the multi-class import.
void InstallExchangeParts();

} // namespace hsa
