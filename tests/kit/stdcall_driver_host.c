/* A host written against the earlier header, which declared the two driver
 * exports __stdcall: it declares them itself and must still link against the
 * import libraries, importing the same export names. It is linked, not run. */
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif
int __stdcall InstallThermalPrinterDriver(void);
int __stdcall DesInstallThermalPrinterDriver(void);

void __cdecl start(void) {
    ExitProcess((unsigned)(InstallThermalPrinterDriver() + DesInstallThermalPrinterDriver()));
}
#ifdef __cplusplus
}
#endif
