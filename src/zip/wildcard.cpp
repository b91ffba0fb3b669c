#include "zip/wildcard.h"

namespace hsa::zip {

namespace {

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Iterative matcher with single-star backtracking: linear in practice and
// never exponential, whatever the mask holds.  It gives the same answers as
// the recursive definition, including that a name used up against a rest of
// the mask with more than one character never matches.
bool Match(std::string_view name, std::string_view mask, bool ic)
{
    size_t n = 0, m = 0;
    size_t starM = std::string_view::npos, starN = 0;
    while (true) {
        if (m < mask.size() && mask.substr(m) == "*")
            return true;
        if (n >= name.size()) {
            if (m >= mask.size())
                return true;
            // The name is used up: only a lone trailing star could still match,
            // which was handled above; backtracking cannot help either.
            return false;
        }
        if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
            continue;
        }
        if (m < mask.size()) {
            const char mc = mask[m];
            const char nc = name[n];
            if (mc == '?' || (ic ? FoldAscii(mc) == FoldAscii(nc) : mc == nc)) {
                ++m;
                ++n;
                continue;
            }
        }
        if (starM == std::string_view::npos)
            return false;
        // Let the last star swallow one more character and retry.
        m = starM + 1;
        n = ++starN;
    }
}

} // namespace

bool MatchesWildcard(std::string_view name, std::string_view mask, bool ignoreCase)
{
    if (mask == "*.*")
        return true;
    return Match(name, mask, ignoreCase);
}

} // namespace hsa::zip
