// The spooler's drivers and printers as text, so that a machine can be made again
// as it was: the native kvxctl keeps its simulated spooler between runs so.
//
// One record per line, its fields separated by tabs, in the order of the tables
// below: first the texts, then the numbers (decimal), then the flags (0 or 1).
//     driver   environment name driver-path data-file config-file  version
//     printer  name port driver print-processor datatype share comment location
//              separator-file parameters  attributes priority default-priority
//              start-time until-time jobs  pending-deletion
// In a text, '%', tab, line feed and carriage return are written as %25, %09,
// %0A and %0D. Empty lines and lines that begin with '#' are skipped.
#include "sim_internal.h"

#include <cstdlib>
#include <sstream>

namespace {

using sim::Driver;
using sim::Printer;

template <typename Record> struct Fields {
    std::vector<std::string Record::*> texts;
    std::vector<DWORD Record::*> numbers;
    std::vector<bool Record::*> flags;
    size_t Count() const { return texts.size() + numbers.size() + flags.size(); }
};

const Fields<Driver> kDriverFields = {{&Driver::environment, &Driver::name, &Driver::driverPath,
                                       &Driver::dataFile, &Driver::configFile},
                                      {&Driver::version},
                                      {}};

const Fields<Printer> kPrinterFields = {
    {&Printer::name, &Printer::port, &Printer::driver, &Printer::printProcessor, &Printer::datatype,
     &Printer::shareName, &Printer::comment, &Printer::location, &Printer::sepFile,
     &Printer::parameters},
    {&Printer::attributes, &Printer::priority, &Printer::defaultPriority, &Printer::startTime,
     &Printer::untilTime, &Printer::jobs},
    {&Printer::pendingDeletion}};

constexpr char kHeader[] = "# simulated spooler: drivers and printers, one per line, "
                           "fields separated by tabs\n";

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '%':
            out += "%25";
            break;
        case '\t':
            out += "%09";
            break;
        case '\n':
            out += "%0A";
            break;
        case '\r':
            out += "%0D";
            break;
        default:
            out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool Unescape(const std::string& field, std::string* text) {
    text->clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            *text += field[i];
            continue;
        }
        int high = i + 2 < field.size() ? HexDigit(field[i + 1]) : -1;
        int low = high >= 0 ? HexDigit(field[i + 2]) : -1;
        if (low < 0)
            return false;
        *text += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

bool ParseNumber(const std::string& field, DWORD* value) {
    if (field.empty() || field.size() > 10 ||
        field.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long long parsed = std::strtoull(field.c_str(), nullptr, 10);
    if (parsed > 0xFFFFFFFFull)
        return false;
    *value = static_cast<DWORD>(parsed);
    return true;
}

template <typename Record>
void WriteRecord(std::string* out, const char* kind, const Fields<Record>& fields,
                 const Record& record) {
    *out += kind;
    for (auto text : fields.texts)
        *out += '\t' + Escape(record.*text);
    for (auto number : fields.numbers)
        *out += '\t' + std::to_string(record.*number);
    for (auto flag : fields.flags)
        *out += record.*flag ? "\t1" : "\t0";
    *out += '\n';
}

// The record of one line's fields (the kind already taken off); false with the
// reason when a field cannot be read.
template <typename Record>
bool ReadRecord(const std::vector<std::string>& values, const Fields<Record>& fields,
                Record* record, std::string* reason) {
    if (values.size() != fields.Count()) {
        *reason = std::to_string(fields.Count()) + " fields expected, " +
                  std::to_string(values.size()) + " found";
        return false;
    }
    size_t at = 0;
    for (auto text : fields.texts)
        if (!Unescape(values[at++], &(record->*text))) {
            *reason = "a % not followed by two hexadecimal digits in field " + std::to_string(at);
            return false;
        }
    for (auto number : fields.numbers)
        if (!ParseNumber(values[at++], &(record->*number))) {
            *reason = "field " + std::to_string(at) + " is not a number";
            return false;
        }
    for (auto flag : fields.flags) {
        const std::string& value = values[at++];
        if (value != "0" && value != "1") {
            *reason = "field " + std::to_string(at) + " is neither 0 nor 1";
            return false;
        }
        record->*flag = value == "1";
    }
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> values;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        values.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return values;
        start = tab + 1;
    }
}

} // namespace

namespace sim {

std::string SpoolerState() {
    std::string text = kHeader;
    for (const Driver& driver : Drivers())
        WriteRecord(&text, "driver", kDriverFields, driver);
    for (const auto& printers : {Printers(), PrintersPendingDeletion()})
        for (const Printer& printer : printers)
            WriteRecord(&text, "printer", kPrinterFields, printer);
    return text;
}

bool LoadSpoolerState(const std::string& text, std::string* error) {
    std::vector<Driver> drivers;
    std::vector<Printer> printers;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> values = SplitTabs(line);
        std::string kind = values.front(), reason;
        values.erase(values.begin());
        bool read = false;
        if (kind == "driver") {
            drivers.emplace_back();
            read = ReadRecord(values, kDriverFields, &drivers.back(), &reason);
        } else if (kind == "printer") {
            printers.emplace_back();
            read = ReadRecord(values, kPrinterFields, &printers.back(), &reason);
        } else {
            reason = "unknown record \"" + kind + "\" (driver or printer expected)";
        }
        if (!read) {
            *error = "line " + std::to_string(number) + ": " + reason;
            return false;
        }
    }
    for (const Driver& driver : drivers)
        AddDriver(driver);
    for (const Printer& printer : printers)
        AddPrinter(printer);
    return true;
}

} // namespace sim
