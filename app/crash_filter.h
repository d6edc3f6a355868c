#pragma once
// Every Windows executable of ours installs this first: an unhandled exception prints its code
// and address to stderr and ends the process with kCrashExitCode, so a crash fails a test at
// once instead of hanging on a debugger dialog or passing silently.
constexpr int kCrashExitCode = 70;

void InstallCrashFilter();
