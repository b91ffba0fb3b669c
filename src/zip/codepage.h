#pragma once
#include <string>
#include <string_view>

namespace hsa::zip {

// Names and passwords inside the engine are UTF-8.  Archive names are stored in
// code page 850 (the DOS code page that ZIP peers assume without flag bit 11)
// or in UTF-8; passwords reach the cipher as Windows-1252 bytes.

// Decodes one UTF-8 sequence at pos (one to four bytes, no overlongs, no
// surrogates, nothing above U+10FFFF).  Returns its length, 0 when malformed.
size_t DecodeUtf8(std::string_view s, size_t pos, char32_t& cp);
bool IsValidUtf8(std::string_view s, bool* hasMultiByte = nullptr);

std::string Cp850ToUtf8(std::string_view bytes);
std::string Cp1252ToUtf8(std::string_view bytes);
// False when the text holds a character the code page lacks (or bad UTF-8).
bool Utf8ToCp850(std::string_view utf8, std::string& out);
bool Utf8ToCp1252(std::string_view utf8, std::string& out);
// Unrepresentable characters become "?".
std::string Utf8ToCp1252Lossy(std::string_view utf8);

// The lower-case key of a name for the case-insensitive name index: A-Z and
// the Latin letters of the ANSI code page are folded.
std::string LowerName(std::string_view utf8);

} // namespace hsa::zip
