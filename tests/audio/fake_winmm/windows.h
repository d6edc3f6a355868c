#pragma once
// Native stand-in for the few Win32 calls of the WinMM audio back end, so the back end's own
// code runs under the sanitizers over a fake driver (fake_winmm.h). Events and threads are the
// C++ library's.
#include <cstddef>
#include <cstdint>

typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef int BOOL;
typedef unsigned int UINT;
typedef uintptr_t DWORD_PTR;
typedef char* LPSTR;
typedef void* HANDLE;
typedef DWORD (*LPTHREAD_START_ROUTINE)(void* argument);

#define WINAPI
#define FALSE 0
#define TRUE 1
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u

HANDLE CreateEventW(void* attributes, BOOL manualReset, BOOL initialState, const wchar_t* name);
BOOL SetEvent(HANDLE event);
HANDLE CreateThread(void* attributes, size_t stackSize, LPTHREAD_START_ROUTINE start,
                    void* argument, DWORD flags, DWORD* id);
// Events and threads: a thread's handle is signalled once its function has returned.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);
DWORD GetLastError();
DWORD GetTickCount();
void Sleep(DWORD milliseconds);
