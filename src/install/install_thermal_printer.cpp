// Creating a local printer for the thermal printer driver on the port the host
// names, under the running platform's printer name.
#include "install/install_thermal_printer.h"

#include "frame/printer_handle.h"
#include "frame/platform_id.h"
#include "install/refusal.h"

#include <win32.h>

#include <cstring>
#include <kvx32.h>

namespace {

constexpr size_t kNameBufferSize = 512;
// Outside the NT platforms printer names are kept to 31 characters.
constexpr size_t kShortNameLength = 31;

struct NameForm {
    const char* format;
    bool shortened; // backslashes become slashes and the name is cut to 31 characters
};

NameForm NameFormFor(PlatformCode code) {
    switch (code) {
    case KVX_PLATFORM_NT3:
        return {"KVX %s", false};
    case KVX_PLATFORM_NT4:
        return {"KVX_50 %s", false};
    default:
        return {"KVX_50 %s", true};
    }
}

// The printer name for a port; false when there is no port name or the name
// would not fit the buffer.
bool FormatPrinterName(PlatformCode code, const char* portName, char (&name)[kNameBufferSize]) {
    if (portName == nullptr)
        return false;
    NameForm form = NameFormFor(code);
    size_t prefixLength = std::strlen(form.format) - 2; // the text before "%s"
    size_t portLength = strnlen(portName, kNameBufferSize);
    if (prefixLength + portLength >= kNameBufferSize)
        return false;
    // A formatter that wrote less than the whole name would add a printer under a
    // name the host never asked for.
    if (wsprintfA(name, form.format, portName) != static_cast<int>(prefixLength + portLength))
        return false;
    if (form.shortened) {
        for (char* c = name; *c != '\0'; ++c)
            if (*c == '\\')
                *c = '/';
        if (std::strlen(name) > kShortNameLength)
            name[kShortNameLength] = '\0';
    }
    return true;
}

} // namespace

int32_t AddThermalPrinter(const char* portName) {
    char name[kNameBufferSize] = {};
    PlatformCode code = DriverPlatform();
    if (!FormatPrinterName(code, portName, name))
        return Refused();

    PRINTER_INFO_2A info = {};
    info.pPrinterName = name;
    info.pPortName = const_cast<char*>(portName);
    info.pDriverName = const_cast<char*>(kvx_driver_files_for(code).driver_name);
    info.pPrintProcessor = const_cast<char*>("winprint");
    info.pDatatype = const_cast<char*>("RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    info.Priority = 1;
    PrinterHandle printer(AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
    bool added = static_cast<bool>(printer);
    printer.Close(); // the handle goes back to the spooler whatever the outcome, even a null one
    return added ? 1 : Refused();
}

// InstallThermalPrinter (ordinal 9): installs the driver and adds a thermal printer on a port.
extern "C" int32_t KVX_API InstallThermalPrinter(const char* portName) {
    InstallThermalPrinterDriver(); // a refused driver shows as a refused printer
    return AddThermalPrinter(portName);
}
