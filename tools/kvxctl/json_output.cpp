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

// The length of the well-formed UTF-8 sequence at text[at] (a character beyond
// ASCII), its code point in *point; 0 when the bytes there are no such sequence.
size_t Utf8Sequence(const std::string& text, size_t at, char32_t* point) {
    auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    char32_t value = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[length] || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000))
        return 0; // overlong, beyond Unicode, or a surrogate
    *point = value;
    return length;
}
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
    for (size_t i = 0; i < ansiText.size();) {
        char32_t point = 0;
        size_t length = Utf8Sequence(ansiText, i, &point);
        if (length == 0) { // a byte of Windows-1252
            auto byte = static_cast<unsigned char>(ansiText[i]);
            units += byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte);
            ++i;
            continue;
        }
        if (point >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(point);
        }
        i += length;
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
