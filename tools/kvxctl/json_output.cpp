#include "json_output.h"

#include <cstdio>

#ifdef _WIN32
#include <win32.h>
#endif

namespace {

#ifndef _WIN32
// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined map to the
// control characters of the same value, as Windows maps them.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
#endif

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

// UTF-8 for UTF-16 code units; a surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& units) {
    std::string utf8;
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t point = units[i];
        if (IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1]))
            point = 0x10000 + ((point - 0xD800) << 10) + (units[++i] - 0xDC00);
        else if (IsHighSurrogate(units[i]) || IsLowSurrogate(units[i]))
            point = 0xFFFD;
        if (point < 0x80) {
            utf8 += static_cast<char>(point);
        } else if (point < 0x800) {
            utf8 += static_cast<char>(0xC0 | (point >> 6));
            utf8 += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (point >> 12));
            utf8 += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (point >> 18));
            utf8 += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (point & 0x3F));
        }
    }
    return utf8;
}

} // namespace

std::u16string AnsiToUtf16(const std::string& ansiText) {
#ifdef _WIN32
    if (ansiText.empty())
        return {};
    int units = MultiByteToWideChar(CP_ACP, 0, ansiText.data(), static_cast<int>(ansiText.size()),
                                    nullptr, 0);
    std::wstring wide(static_cast<size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_ACP, 0, ansiText.data(), static_cast<int>(ansiText.size()), &wide[0],
                            units);
    return std::u16string(wide.begin(), wide.end());
#else
    std::u16string units;
    units.reserve(ansiText.size());
    for (char c : ansiText) {
        auto byte = static_cast<unsigned char>(c);
        units += byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte);
    }
    return units;
#endif
}

Json AnsiText(const std::string& ansiText) {
    return Utf16ToUtf8(AnsiToUtf16(ansiText));
}

Json AnsiTextOrNull(const std::string& ansiText) {
    return ansiText.empty() ? Json(nullptr) : AnsiText(ansiText);
}

std::string JsonDocument(const Json& document) {
    return document.dump(-1, ' ', true, Json::error_handler_t::replace);
}

void PrintJson(const Json& document) {
    std::printf("%s\n", JsonDocument(document).c_str());
}
