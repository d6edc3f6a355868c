#include "app/crash_filter.h"

#include <windows.h>

#include <cstdio>

namespace {

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info ? info->ExceptionRecord : nullptr;
  std::fprintf(stderr, "fatal: unhandled exception 0x%08lx at %p\n",
               record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul,
               record ? record->ExceptionAddress : nullptr);
  std::fflush(stderr);
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallCrashFilter() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnUnhandledException);
}
