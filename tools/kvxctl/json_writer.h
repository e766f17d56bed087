// kvxctl's --json output: one JSON document built field by field. Text comes in
// the ANSI code page (as the library and the command line give it) and goes out
// as ASCII: every other character is written as a \u escape.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The name of the next member of the current object.
    JsonWriter& Key(const std::string& name);
    JsonWriter& String(const std::string& ansiText);
    // The text, or null when it is empty.
    JsonWriter& StringOrNull(const std::string& ansiText);
    JsonWriter& Number(int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // The document, once every object and array is closed.
    const std::string& Text() const { return text_; }
    // Writes the document and a newline to standard output.
    void Print() const;

private:
    void BeforeValue();
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);

    std::string text_;
    std::vector<bool> needsComma_; // one per open object or array
    bool afterKey_ = false;
};

// The JSON string literal for ANSI text, quotes included.
std::string JsonQuote(const std::string& ansiText);

// ANSI text as UTF-16 code units: the system's ANSI code page on Windows,
// Windows-1252 over the simulated platform.
std::u16string AnsiToUtf16(const std::string& ansiText);
