#include "game/game_main_d3d12.h"

#include <cstring>
#include <new>

#include "app/app_window.h"
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

// About one display frame: how long a pass waits for a message while nothing is shown.
constexpr DWORD kHiddenPassMs = 16;

int64_t Counter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace

bool StartGame(HINSTANCE instance, GameSession* session, int* exitCode) {
  gDisplaySettings = {1280, 720, 32, 60, 0};

  if (!DataFolderExists()) {
    Report("error: the folder data/Kestra was not found in the working directory; start the "
           "game from the folder that holds kestra.exe and data/");
    MessageBoxA(nullptr,
                "The game's data folder (data\\Kestra) was not found.\n"
                "Start kestra.exe from the folder that holds it and its data folder.",
                "An error occurred", MB_ICONERROR);
    *exitCode = 2;
    return false;
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
    *exitCode = 1;
    return false;
  }

  gRenderer.window = window;
  gRenderer.Resize(window->ClientWidth(), window->ClientHeight());
  if (!gRenderer.Init()) {
    // Already reported by the renderer; nothing can be drawn without a device.
    MessageBoxA(nullptr, "Direct3D 12 could not be started on this machine.", "An error occurred",
                MB_ICONERROR);
    RestoreDisplay(window);
    *exitCode = 3;
    return false;
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
    game->clientWidth = width;
    game->clientHeight = height;
  }
  if (window->displayMode == 1) gRenderer.swapChain->SetFullscreenState(TRUE, nullptr);

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  session->window = window;
  session->game = game;
  session->counterFrequency = frequency.QuadPart;
  session->previousCounter = Counter();
  *exitCode = 0;
  return true;
}

void RunFramePass(GameSession* session, FramePassTimes* times) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  int64_t current = Counter();
  // Whole microseconds, then seconds in single precision; deliberately unclamped.
  int64_t micros = ((current - session->previousCounter) * 1000000) / session->counterFrequency;
  float dt = static_cast<float>(micros) / 1000000.0f;
  Game* game = session->game;
  FramePassTimes t = {};
  if (times) t.updateStart = Counter();
  Game::Update(game, dt);
  if (times) t.updateEnd = Counter();
  // A minimised window (0 x 0) shows nothing: its frame is not drawn. Present does not wait on
  // it, nor on an occluded window, so either would spin the loop: the pass then waits up to a
  // display frame for a message instead (a restore wakes it at once). The game goes on updating
  // every pass with the measured frame time.
  const AppWindow* window = session->window;
  const bool minimised = window->ClientWidth() <= 0 || window->ClientHeight() <= 0;
  if (!minimised) {
    gRenderer.BeginFrame();
    if (times) t.drawStart = Counter();
    Game::Draw(game);
    if (times) t.drawEnd = Counter();
    gRenderer.EndFrame();
  } else if (times) {
    t.drawStart = t.drawEnd = t.updateEnd;
  }
  if (times) {
    t.endFrameEnd = Counter();
    *times = t;
  }
  if (!minimised) gRenderer.WaitForGpu();
  if (minimised || gRenderer.occluded)
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kHiddenPassMs, QS_ALLINPUT);
  session->previousCounter = current;
}

void StopGame(GameSession* session) {
  if (gAudioEngine) {
    gAudioEngine->Deinit();
    delete gAudioEngine;
    gAudioEngine = nullptr;
  }
  RestoreDisplay(session->window);
}
