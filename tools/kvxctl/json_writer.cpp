#include "json_writer.h"

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

void AppendEscape(std::string* out, char16_t unit) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
    *out += escape;
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

std::string JsonQuote(const std::string& ansiText) {
    std::string out = "\"";
    for (char16_t unit : AnsiToUtf16(ansiText)) {
        switch (unit) {
        case u'"':
            out += "\\\"";
            break;
        case u'\\':
            out += "\\\\";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        default:
            if (unit < 0x20 || unit >= 0x7F)
                AppendEscape(&out, unit);
            else
                out += static_cast<char>(unit);
        }
    }
    return out + "\"";
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!needsComma_.empty()) {
        if (needsComma_.back())
            text_ += ',';
        needsComma_.back() = true;
    }
}

JsonWriter& JsonWriter::Open(char bracket) {
    BeforeValue();
    text_ += bracket;
    needsComma_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    text_ += bracket;
    needsComma_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginObject() {
    return Open('{');
}

JsonWriter& JsonWriter::EndObject() {
    return Close('}');
}

JsonWriter& JsonWriter::BeginArray() {
    return Open('[');
}

JsonWriter& JsonWriter::EndArray() {
    return Close(']');
}

JsonWriter& JsonWriter::Key(const std::string& name) {
    BeforeValue();
    text_ += JsonQuote(name) + ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(const std::string& ansiText) {
    BeforeValue();
    text_ += JsonQuote(ansiText);
    return *this;
}

JsonWriter& JsonWriter::StringOrNull(const std::string& ansiText) {
    return ansiText.empty() ? Null() : String(ansiText);
}

JsonWriter& JsonWriter::Number(int64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
    return *this;
}

void JsonWriter::Print() const {
    std::printf("%s\n", text_.c_str());
}
