#include "zip/codepage.h"

#include <unordered_map>

namespace hsa::zip {

namespace {

// Upper halves of the two code pages as Unicode code points.
const char16_t kCp850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

const char16_t kCp1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

struct ReverseTable {
    std::unordered_map<char32_t, unsigned char> map;
    explicit ReverseTable(const char16_t* t)
    {
        for (int i = 0; i < 128; ++i)
            map.emplace(t[i], (unsigned char)(0x80 + i));
    }
};

const ReverseTable& Reverse850()
{
    static const ReverseTable r(kCp850);
    return r;
}

const ReverseTable& Reverse1252()
{
    static const ReverseTable r(kCp1252);
    return r;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string FromTable(std::string_view bytes, const char16_t* t)
{
    std::string out;
    out.reserve(bytes.size() + 8);
    for (unsigned char c : bytes) {
        if (c < 0x80)
            out += char(c);
        else
            AppendUtf8(out, t[c - 0x80]);
    }
    return out;
}

bool ToTable(std::string_view utf8, const ReverseTable& r, std::string& out, bool lossy)
{
    out.clear();
    out.reserve(utf8.size());
    size_t i = 0;
    bool ok = true;
    while (i < utf8.size()) {
        char32_t cp;
        size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) {
            if (!lossy)
                return false;
            ok = false;
            out += '?';
            ++i;
            continue;
        }
        i += len;
        if (cp < 0x80) {
            out += char(cp);
            continue;
        }
        auto it = r.map.find(cp);
        if (it == r.map.end()) {
            if (!lossy)
                return false;
            ok = false;
            out += '?';
        } else {
            out += char(it->second);
        }
    }
    return ok;
}

} // namespace

size_t DecodeUtf8(std::string_view s, size_t pos, char32_t& cp)
{
    const auto b = [&](size_t k) { return (unsigned char)s[pos + k]; };
    const size_t left = s.size() - pos;
    if (left == 0)
        return 0;
    const unsigned char c = b(0);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    auto cont = [&](size_t k, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
        return k < left && b(k) >= lo && b(k) <= hi;
    };
    if (c >= 0xC2 && c <= 0xDF) {
        if (!cont(1))
            return 0;
        cp = char32_t(c & 0x1F) << 6 | (b(1) & 0x3F);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned char lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = c == 0xED ? 0x9F : 0xBF;   // no surrogates
        if (!cont(1, lo, hi) || !cont(2))
            return 0;
        cp = char32_t(c & 0x0F) << 12 | char32_t(b(1) & 0x3F) << 6 | (b(2) & 0x3F);
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned char lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = c == 0xF4 ? 0x8F : 0xBF;
        if (!cont(1, lo, hi) || !cont(2) || !cont(3))
            return 0;
        cp = char32_t(c & 0x07) << 18 | char32_t(b(1) & 0x3F) << 12 | char32_t(b(2) & 0x3F) << 6 | (b(3) & 0x3F);
        return 4;
    }
    return 0;
}

bool IsValidUtf8(std::string_view s, bool* hasMultiByte)
{
    bool multi = false;
    size_t i = 0;
    while (i < s.size()) {
        char32_t cp;
        const size_t len = DecodeUtf8(s, i, cp);
        if (len == 0)
            return false;
        if (len > 1)
            multi = true;
        i += len;
    }
    if (hasMultiByte)
        *hasMultiByte = multi;
    return true;
}

std::string Cp850ToUtf8(std::string_view bytes) { return FromTable(bytes, kCp850); }
std::string Cp1252ToUtf8(std::string_view bytes) { return FromTable(bytes, kCp1252); }

bool Utf8ToCp850(std::string_view utf8, std::string& out) { return ToTable(utf8, Reverse850(), out, false); }
bool Utf8ToCp1252(std::string_view utf8, std::string& out) { return ToTable(utf8, Reverse1252(), out, false); }

std::string Utf8ToCp1252Lossy(std::string_view utf8)
{
    std::string out;
    ToTable(utf8, Reverse1252(), out, true);
    return out;
}

std::string LowerName(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp;
        const size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) {
            // Raw bytes that are no UTF-8 are kept as they are.
            out += utf8[i++];
            continue;
        }
        i += len;
        if (cp >= 'A' && cp <= 'Z')
            cp += 32;
        else if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7))
            cp += 32;
        else if (cp == 0x0160 || cp == 0x0152 || cp == 0x017D)
            cp += 1;             // Š Œ Ž of the ANSI code page
        else if (cp == 0x0178)
            cp = 0xFF;           // Ÿ
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace hsa::zip
