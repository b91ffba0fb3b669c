#pragma once
#include <string_view>

namespace hsa::zip {

// Matches a name against a mask of "*" (any run, also empty) and "?" (exactly
// one character).  The mask "*.*" matches every name.  With ignoreCase only the
// letters A-Z are folded; every other character (umlauts too) compares exactly.
bool MatchesWildcard(std::string_view name, std::string_view mask, bool ignoreCase);

} // namespace hsa::zip
