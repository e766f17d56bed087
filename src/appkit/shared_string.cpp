#include "appkit/shared_string.h"

#include "appkit/module_instance.h"
#include "appkit/text_format.h"

#include <cstdarg>
#include <cstring>

namespace {

// The one empty string: never counted, never freed.
struct EmptyString {
    CSharedString::Data header;
    char terminator;
};
EmptyString g_empty = {{-1, 0, 0}, '\0'};

char* EmptyChars() {
    return g_empty.header.chars();
}

// A new buffer with count 1 and room for length characters, starting with the
// first `copied` characters of text; null when memory ran out.
char* NewChars(const char* text, size_t copied, size_t length) {
    if (length > 0x7FFFFFF0)
        return nullptr;
    auto* data = static_cast<CSharedString::Data*>(
        HeapAlloc(GetProcessHeap(), 0, sizeof(CSharedString::Data) + length + 1));
    if (data == nullptr)
        return nullptr;
    data->refs = 1;
    data->length = static_cast<LONG>(length);
    data->capacity = static_cast<LONG>(length);
    std::memcpy(data->chars(), text, copied);
    data->chars()[length] = '\0';
    return data->chars();
}

} // namespace

CSharedString::CSharedString() : chars_(EmptyChars()) {}

CSharedString::CSharedString(const char* text) : chars_(EmptyChars()) {
    Assign(text);
}

CSharedString::CSharedString(const CSharedString& other) : chars_(EmptyChars()) {
    *this = other;
}

CSharedString::CSharedString(CSharedString&& other) noexcept : chars_(other.chars_) {
    other.chars_ = EmptyChars();
}

CSharedString& CSharedString::operator=(const CSharedString& other) {
    if (other.chars_ == chars_)
        return *this;
    if (other.header()->refs < 0) {
        // A buffer that is never counted cannot be shared: copy its characters.
        AssignChars(other.chars_, static_cast<size_t>(other.header()->length));
        return *this;
    }
    InterlockedIncrement(&other.header()->refs);
    Release();
    chars_ = other.chars_;
    return *this;
}

CSharedString& CSharedString::operator=(CSharedString&& other) noexcept {
    if (this != &other) {
        Release();
        chars_ = other.chars_;
        other.chars_ = EmptyChars();
    }
    return *this;
}

CSharedString& CSharedString::operator=(const char* text) {
    Assign(text);
    return *this;
}

CSharedString::~CSharedString() {
    Release();
}

CSharedString CSharedString::Adopt(const char* chars) {
    CSharedString adopted;
    if (chars != nullptr)
        adopted.chars_ = const_cast<char*>(chars);
    return adopted;
}

const char* CSharedString::HandOver() const {
    if (header()->refs >= 0)
        InterlockedIncrement(&header()->refs);
    return chars_;
}

void CSharedString::Release() {
    Data* data = header();
    if (data->refs >= 0 && InterlockedDecrement(&data->refs) == 0)
        HeapFree(GetProcessHeap(), 0, data);
    chars_ = EmptyChars();
}

bool CSharedString::AssignChars(const char* text, size_t length) {
    if (length == 0) {
        Release();
        return true;
    }
    char* fresh = NewChars(text, length, length);
    if (fresh == nullptr)
        return false;
    Release();
    chars_ = fresh;
    return true;
}

bool CSharedString::Assign(const char* text) {
    if (text != nullptr && IS_INTRESOURCE(text)) {
        char loaded[256];
        int length =
            LoadStringA(ModuleInstance(), static_cast<UINT>(reinterpret_cast<UINT_PTR>(text)),
                        loaded, sizeof loaded);
        return AssignChars(loaded, length > 0 ? static_cast<size_t>(length) : 0);
    }
    if (text == chars_)
        return true;
    return AssignChars(text, text ? std::strlen(text) : 0);
}

bool CSharedString::Append(const char* text) {
    if (text == nullptr || *text == '\0')
        return true;
    size_t ownLength = static_cast<size_t>(GetLength());
    size_t addLength = std::strlen(text);
    if (addLength > 0x7FFFFFF0 - ownLength)
        return false;
    char* fresh = NewChars(chars_, ownLength, ownLength + addLength);
    if (fresh == nullptr)
        return false;
    std::memcpy(fresh + ownLength, text, addLength); // text may be our own characters
    Release();
    chars_ = fresh;
    return true;
}

bool CSharedString::Format(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    int length = FormatText(nullptr, 0, pattern, args);
    va_end(args);
    bool done = false;
    if (length >= 0) {
        Data* data = static_cast<Data*>(
            HeapAlloc(GetProcessHeap(), 0, sizeof(Data) + static_cast<size_t>(length) + 1));
        if (data != nullptr) {
            FormatText(data->chars(), static_cast<size_t>(length) + 1, pattern, again);
            data->refs = 1;
            data->length = length;
            data->capacity = length;
            Release();
            chars_ = data->chars();
            done = true;
        }
    }
    va_end(again);
    return done;
}

bool CSharedString::operator==(const char* text) const {
    return std::strcmp(chars_, text ? text : "") == 0;
}

CSharedString CSharedString::Left(int n) const {
    if (n >= GetLength())
        return *this;
    CSharedString left;
    left.AssignChars(chars_, n > 0 ? static_cast<size_t>(n) : 0);
    return left;
}
