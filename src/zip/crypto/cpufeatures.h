#pragma once
// Run-time checks for the processor instructions the hash and cipher code can
// use.  Code compiled for those instructions lives in its own files and is
// only entered after these checks said yes.

namespace hsa::detail {

bool CpuHasShaExtensions();   // SHA-1 rounds (with SSSE3 and SSE4.1)
bool CpuHasAesInstructions(); // AES rounds (with SSSE3 and SSE4.1)

}  // namespace hsa::detail
