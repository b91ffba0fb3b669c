#pragma once
// Random bytes from the operating system's cryptographic generator, for
// salts.  Throws std::runtime_error when the generator cannot deliver; a
// weak fallback would silently give predictable salts.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hsa {

void FillSecureRandom(std::uint8_t* out, std::size_t count);
std::vector<std::uint8_t> SecureRandomBytes(std::size_t count);

}  // namespace hsa
