// Program entry and the frame loop.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "app/app_window.h"
#include "app/crash_filter.h"
#include "app/report.h"
#include "audio/audio_engine.h"
#include "game/game.h"
#include "render/renderer.h"

// <windows.h> names DrawText as a macro; the game's DrawText is its own.
#undef DrawText

namespace {

// Run from the wrong folder is the usual cause of missing assets: say so before anything starts.
bool DataFolderExists() {
  DWORD attributes = GetFileAttributesW(L"data\\Kestra");
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RestoreDisplay(const AppWindow* window) {
  if (window->displayMode == 2) {
    ChangeDisplaySettingsW(nullptr, 0);
    ShowCursor(TRUE);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InstallCrashFilter();

  gDisplaySettings = {1280, 720, 32, 60, 0};

  if (!DataFolderExists()) {
    Report("error: the folder data/Kestra was not found in the working directory; start the "
           "game from the folder that holds kestra.exe and data/");
    MessageBoxA(nullptr,
                "The game's data folder (data\\Kestra) was not found.\n"
                "Start kestra.exe from the folder that holds it and its data folder.",
                "An error occurred", MB_ICONERROR);
    return 2;
  }

  AppWindow* window = static_cast<AppWindow*>(::operator new(sizeof(AppWindow)));
  std::memset(window, 0, sizeof(AppWindow));
  window->instance = instance;
  window->running = false;
  window->resizeListener = nullptr;
  window->cursorClip = false;

  // The game lives until the process ends; size messages during window creation already reach it.
  Game* game = new Game();
  game->self = game;
  window->resizeListener = game;

  if (!AppWindow::Create(window)) {
    MessageBoxA(nullptr, "Unable to create the OpenGL Window", "An error occurred", MB_ICONERROR);
    RestoreDisplay(window);
    return 1;
  }

  gRenderer.window = window;
  gRenderer.Resize(window->ClientWidth(), window->ClientHeight());
  if (!gRenderer.Init()) {
    // Already reported by the renderer; nothing can be drawn without a device.
    MessageBoxA(nullptr, "Direct3D 12 could not be started on this machine.", "An error occurred",
                MB_ICONERROR);
    RestoreDisplay(window);
    return 3;
  }

  // A first black frame; loading then records into the frame it begins.
  gRenderer.PresentFirstFrame();

  // No audio device leaves the engine silent; the game runs the same.
  gAudioEngine = new AudioEngine();
  gAudioEngine->Init();

  Game::Init(game);
  Game::Reset(game);
  gRenderer.EndFrame();

  int32_t width = window->ClientWidth();
  int32_t height = window->ClientHeight();
  if (width > 0 && height > 0) {
    gRenderer.Resize(width, height);
    game->viewportWidth = width;
    game->viewportHeight = height;
  }
  if (window->displayMode == 1) gRenderer.swapChain->SetFullscreenState(TRUE, nullptr);

  LARGE_INTEGER previous, current, frequency;
  QueryPerformanceCounter(&previous);
  QueryPerformanceFrequency(&frequency);

  MSG message;
  while (window->running) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    QueryPerformanceCounter(&current);
    // Whole microseconds, then seconds in single precision; deliberately unclamped.
    int64_t micros = ((current.QuadPart - previous.QuadPart) * 1000000) / frequency.QuadPart;
    float dt = static_cast<float>(micros) / 1000000.0f;
    Game::Update(game, dt);
    gRenderer.BeginFrame();
    Game::Draw(game);
    gRenderer.EndFrame();
    gRenderer.WaitForGpu();
    previous = current;
  }

  gAudioEngine->Deinit();
  delete gAudioEngine;
  gAudioEngine = nullptr;
  RestoreDisplay(window);
  return 0;
}
