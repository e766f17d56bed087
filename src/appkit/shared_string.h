// CSharedString: the counted, reference-counted string of 8-bit characters that
// the library and its hosts exchange. A value is one pointer to NUL-terminated
// characters; the 12 bytes in front of them hold the reference count, the length
// and the allocated length. Storage comes from the process heap, so any module of
// the process can build a compatible string.
#pragma once

#include <win32.h>

class CSharedString {
public:
    // The header in front of the characters.
    struct Data {
        LONG refs;     // negative: never counted, never freed
        LONG length;   // characters, without the terminator
        LONG capacity; // characters that fit, without the terminator
        char* chars() { return reinterpret_cast<char*>(this + 1); }
    };
    static_assert(sizeof(Data) == 12, "three 32-bit integers precede the characters");

    CSharedString(); // the empty string
    // Null counts as empty; a non-null value below 0x10000 names a string resource of the module.
    CSharedString(const char* text); // NOLINT(google-explicit-constructor): strings convert freely
    CSharedString(const CSharedString& other);
    CSharedString(CSharedString&& other) noexcept;
    CSharedString& operator=(const CSharedString& other);
    CSharedString& operator=(CSharedString&& other) noexcept;
    CSharedString& operator=(const char* text);
    ~CSharedString();

    // Takes over the reference a caller passed as a bare character pointer (a
    // string "by value" on the stack). Null is taken as the empty string.
    static CSharedString Adopt(const char* chars);
    // The other way: a new reference to the characters as a bare pointer, for a
    // callee that takes a string by value and adopts it.
    const char* HandOver() const;

    const char* c_str() const { return chars_; }
    operator const char*() const { return chars_; } // NOLINT(google-explicit-constructor)
    int GetLength() const { return header()->length; }
    bool IsEmpty() const { return header()->length == 0; }

    // Mutators answer false when memory ran out; the string then keeps its old value.
    bool Assign(const char* text);
    bool Append(const char* text);
    bool Format(const char* pattern, ...) __attribute__((format(printf, 2, 3)));

    bool operator==(const char* text) const;
    // The first n characters (all of them when n exceeds the length; none when negative).
    CSharedString Left(int n) const;

private:
    Data* header() const { return reinterpret_cast<Data*>(chars_) - 1; }
    bool AssignChars(const char* text, size_t length);
    void Release();

    char* chars_;
};
