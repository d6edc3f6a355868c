#pragma once
// Diagnostics: one plain line on standard output per report, flushed at once so a crash or a
// killed process never loses it. Every subsystem reports through here.
#include <cstdarg>

void Report(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
