#include "spooler_lists.h"

#include "json_output.h"

#include <win32.h>

#include <cctype>

namespace {

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

// One level-2 enumeration: a sizing call, then a call into a buffer of the size
// asked for (again if the list grew in between).
template <typename Enumerate>
bool EnumerateLevel2(Enumerate enumerate, std::vector<BYTE>* buffer, DWORD* count) {
    DWORD needed = 0;
    *count = 0;
    if (enumerate(nullptr, 0, &needed, count))
        return true; // nothing listed
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0)
            return false;
        buffer->assign(needed, 0);
        if (enumerate(buffer->data(), needed, &needed, count))
            return true;
    }
    return false;
}

} // namespace

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<LocalPrinter> LocalPrinters() {
    std::vector<BYTE> buffer;
    DWORD count = 0;
    auto enumerate = [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, returned) != 0;
    };
    std::vector<LocalPrinter> printers;
    if (!EnumerateLevel2(enumerate, &buffer, &count) || buffer.empty())
        return printers;
    const auto* records = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        printers.push_back({Text(records[i].pPrinterName), Text(records[i].pPortName),
                            Text(records[i].pDriverName)});
    return printers;
}

std::vector<LocalPrinter> PrintersUsing(const std::string& driver) {
    std::vector<LocalPrinter> users;
    for (LocalPrinter& printer : LocalPrinters())
        if (SameName(printer.driver, driver))
            users.push_back(std::move(printer));
    return users;
}

Json PrintersJson(const std::vector<LocalPrinter>& printers) {
    Json list = Json::array();
    for (const LocalPrinter& printer : printers)
        list.push_back({{"name", AnsiText(printer.name)}, {"port", AnsiText(printer.port)}});
    return list;
}

std::vector<RegisteredDriver> RegisteredDrivers(const std::string& environment) {
    std::vector<BYTE> buffer;
    DWORD count = 0;
    auto enumerate = [&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrinterDriversA(nullptr, const_cast<char*>(environment.c_str()), 2, data, size,
                                   needed, returned) != 0;
    };
    std::vector<RegisteredDriver> drivers;
    if (!EnumerateLevel2(enumerate, &buffer, &count) || buffer.empty())
        return drivers;
    const auto* records = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        drivers.push_back({Text(records[i].pName),
                           Text(records[i].pEnvironment),
                           {Text(records[i].pDriverPath), Text(records[i].pDataFile),
                            Text(records[i].pConfigFile)}});
    return drivers;
}
