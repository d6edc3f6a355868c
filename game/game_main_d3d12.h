#pragma once
// The game's start-up and frame loop, shared by kestra.exe and the frame benchmark so both run
// exactly the same steps in the same order. Windows only.
#include <windows.h>

#include <cstdint>

struct AppWindow;
struct Game;

struct GameSession {
  AppWindow* window;
  Game* game;
  int64_t previousCounter;  // performance counter at the previous pass
  int64_t counterFrequency;
};

// Performance-counter readings around the steps of one pass, for measuring.
struct FramePassTimes {
  int64_t updateStart, updateEnd, drawStart, drawEnd, endFrameEnd;
};

// Display defaults, window, renderer, first black frame, audio, loading, a new game and the
// loading frame. False with the process's exit code when the game cannot start (reported and
// shown to the user already).
bool StartGame(HINSTANCE instance, GameSession* session, int* exitCode);
// One pass of the loop: window messages, the frame time, update, draw, present, GPU wait. A
// minimised window (0 x 0) skips draw, present and GPU wait; while it is minimised or Present
// reports it occluded, the pass ends with a wait of up to 16 ms for a message. `times` may be
// null.
void RunFramePass(GameSession* session, FramePassTimes* times);
// Stops the audio engine and gives the desktop its display mode back.
void StopGame(GameSession* session);
