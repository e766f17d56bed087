#include "call_log.h"

#include "provider_config.h"
#include "wide_text.h"

namespace kvxnp {

LogLine::LogLine(const WCHAR* base, const char* what) : base_(base) {
    char name[80];
    int n = WideCharToMultiByte(CP_UTF8, 0, base, -1, name, sizeof(name) - 1, nullptr, nullptr);
    if (n <= 0)
        name[0] = 0;
    name[sizeof(name) - 1] = 0;
    text(name);
    text(" ");
    text(what);
}

void LogLine::text(const char* s) {
    while (*s && len_ < sizeof(buf_) - 2)
        buf_[len_++] = *s++;
}

void LogLine::wide(const WCHAR* s) {
    if (!s) {
        text("(null)");
        return;
    }
    char utf8[600];
    int n = WideCharToMultiByte(CP_UTF8, 0, s, -1, utf8, sizeof(utf8) - 1, nullptr, nullptr);
    if (n > 0) {
        utf8[sizeof(utf8) - 1] = 0;
        text("\"");
        text(utf8);
        text("\"");
        return;
    }
    // Too long for the line: its beginning.
    size_t len = wlen(s);
    if (len > 150)
        len = 150;
    n = WideCharToMultiByte(CP_UTF8, 0, s, (int)len, utf8, sizeof(utf8) - 1, nullptr, nullptr);
    utf8[n > 0 ? n : 0] = 0;
    text("\"");
    text(utf8);
    text("...\"");
}

void LogLine::number(unsigned long v, bool hex) {
    char reversed[16];
    int i = 0;
    if (hex) {
        text("0x");
        do {
            reversed[i++] = "0123456789abcdef"[v & 15];
            v >>= 4;
        } while (v);
    } else {
        do {
            reversed[i++] = (char)('0' + v % 10);
            v /= 10;
        } while (v);
    }
    char digits[17];
    int j = 0;
    while (i)
        digits[j++] = reversed[--i];
    digits[j] = 0;
    text(digits);
}

void LogLine::emit() {
    WCHAR path[MAX_PATH * 2];
    if (!config_path(base_, L"KVXNP_LOG", L"LogFile", path, MAX_PATH * 2))
        return;
    buf_[len_++] = '\n';
    HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(f, buf_, (DWORD)len_, &written, nullptr);
    CloseHandle(f);
}

} // namespace kvxnp
