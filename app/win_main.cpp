// Program entry: start the game, run the frame loop until the window is closed, stop.
#include <windows.h>

#include "app/app_window.h"
#include "app/crash_filter.h"
#include "game/game_main_d3d12.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InstallCrashFilter();
  GameSession session;
  int exitCode = 0;
  if (!StartGame(instance, &session, &exitCode)) return exitCode;
  // The running flag drops on WM_CLOSE; the pass in which that happens still runs to its end.
  while (session.window->running) RunFramePass(&session, nullptr);
  StopGame(&session);
  return 0;
}
