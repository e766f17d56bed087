// kvxctl's --json output: one JSON document per command, its members in the
// order they are added. Text comes in the ANSI code page (as the library and the
// command line give it; natively UTF-8 where it is well formed) and goes out as ASCII: every other
// character is written as a \u escape.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

using Json = nlohmann::ordered_json;

// ANSI text as a JSON string.
Json AnsiText(const std::string& ansiText);
// The text, or null when it is empty.
Json AnsiTextOrNull(const std::string& ansiText);

// The document as kvxctl writes it: one line of ASCII.
std::string JsonDocument(const Json& document);
// Writes the document and a newline to standard output.
void PrintJson(const Json& document);

// ANSI text as UTF-16 code units: the system's ANSI code page on Windows. The
// native kvxctl's arguments come from a UTF-8 host, so there well-formed UTF-8
// is read as such and every other byte as Windows-1252, the simulated platform's
// code page.
std::u16string AnsiToUtf16(const std::string& ansiText);
