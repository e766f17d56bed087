/* The few Windows SDK declarations kvx32.h and the link check use, with the
 * SDK's types and calling convention: this machine has no Windows SDK, and the
 * MinGW headers do not serve an MSVC-target compiler. */
#ifndef KVX_CHECK_WINDOWS_H
#define KVX_CHECK_WINDOWS_H
#include <stddef.h>
#include <stdint.h>
#define WINAPI __stdcall
typedef void* HANDLE;
typedef void* LPVOID;
typedef int BOOL;
typedef unsigned long DWORD;
typedef size_t SIZE_T;
typedef unsigned short WORD;
typedef void* HMODULE;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef int(WINAPI* FARPROC)(void);
#define MAKEINTRESOURCEA(i) ((LPSTR)(uintptr_t)(WORD)(i))
#ifdef __cplusplus
extern "C" {
#endif
__declspec(dllimport) HANDLE WINAPI GetProcessHeap(void);
__declspec(dllimport) LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
__declspec(dllimport) BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block);
__declspec(dllimport) void WINAPI ExitProcess(unsigned exit_code);
__declspec(dllimport) FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
#ifdef __cplusplus
}
#endif
#endif
