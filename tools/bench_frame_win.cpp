// Start-up time and per-frame CPU cost of the real game in its real loop, under scripted play.
// Start-up and the loop follow the game's entry step by step (window, renderer, first black frame,
// audio, Init, Reset, the loading frame, then messages / Update / BeginFrame / Draw / EndFrame /
// WaitForGpu). Run from the folder that holds data/:
//   kestra_bench.exe [SECONDS]      (default 60)
// Prints plain lines: startup_ms (entry to the first dialogue frame finished on the GPU),
// frame_cpu_ms (Update + Draw + EndFrame; the fence wait excluded, but EndFrame's Present waits
// for vertical sync, so main_thread_cpu_ms_per_frame gives the CPU really used), each part alone,
// and what the script achieved in the game, so a run whose input never reached the game is
// visible at once.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "app/app_window.h"
#include "app/crash_filter.h"
#include "app/report.h"
#include "audio/audio_engine.h"
#include "game/game.h"
#include "game/game_main_d3d12.h"
#include "render/renderer.h"

#undef DrawText

namespace {

constexpr double kDefaultSeconds = 60.0;
constexpr int kVkA = 0x41, kVkE = 0x45, kVkZ = 0x5A, kVk1 = 0x31;

struct Clock {
  LARGE_INTEGER frequency;
};

int64_t Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

double Milliseconds(const Clock& clock, int64_t ticks) {
  return double(ticks) * 1000.0 / double(clock.frequency.QuadPart);
}

// The keys the script holds. The game reads letters and digits from key messages (gInput.keys)
// but arrows and Space from the keyboard's physical state (GetAsyncKeyState), so every change
// goes in as real input through SendInput, which gives both to the focused window (under Wine
// too). The play counts printed at the end show whether the input arrived.
struct Keyboard {
  bool held[256];
  uint32_t rejected;  // SendInput calls that queued nothing
};

void SetKey(Keyboard* keyboard, int vk, bool down) {
  if (keyboard->held[vk] == down) return;
  keyboard->held[vk] = down;
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = static_cast<WORD>(vk);
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  if (SendInput(1, &input, sizeof(INPUT)) != 1) ++keyboard->rejected;
}

void ReleaseAll(Keyboard* keyboard) {
  for (int vk = 0; vk < 256; ++vk) SetKey(keyboard, vk, false);
}

// True during the first `length` seconds of every `period`, shifted by `offset`.
bool InWindow(double t, double period, double offset, double length) {
  double phase = std::fmod(t - offset + period * 16.0, period);
  return phase < length;
}

struct Script {
  double endedAt;      // loop time at which the current game ended; < 0 while one is playing
  uint32_t gamesEnded;
  int64_t buyStep;  // the press the key below belongs to
  int buyKey;       // 1-8, 0 none
};

// The slot (1-8) of the dearest choice the budget still covers: bought at every question, the
// shipped dialogue spends the budget to exactly zero, so such a game can be won. 0 when the
// dialogue has ended.
int GreedyChoice(const Game* game) {
  if (game->currentQuestion <= 0 || uint32_t(game->currentQuestion) >= game->questionCount) return 0;
  const Question& q = game->questions[game->currentQuestion];
  int best = 0;
  int32_t bestPrice = INT32_MIN;
  for (int32_t i = 0; i < q.choiceCount; ++i) {
    const int32_t price = game->choices[q.choiceIndices[i]].price;
    if (price <= game->budget && price > bestPrice) {
      best = i + 1;
      bestPrice = price;
    }
  }
  return best != 0 ? best : 1;
}

// One frame of the script: walking both ways and up and down, punches, kicks, crouches, a choice
// key every 0.75 s and Space pressed and released a second after each game ends. Games take
// turns: one buys through all eight keys in a fixed order (slots a question lacks do nothing,
// and overspending loses), the next buys the dearest affordable choice (and may win).
void PlayScript(Script* script, Keyboard* keyboard, const Game* game, double t) {
  SetKey(keyboard, VK_LEFT, InWindow(t, 4.0, 0.0, 1.6));
  SetKey(keyboard, VK_RIGHT, InWindow(t, 4.0, 2.0, 1.6));
  SetKey(keyboard, VK_UP, InWindow(t, 7.0, 0.0, 0.8));
  SetKey(keyboard, VK_DOWN, InWindow(t, 7.0, 3.5, 0.8));
  SetKey(keyboard, kVkA, InWindow(t, 0.5, 0.1, 0.08));
  SetKey(keyboard, kVkE, InWindow(t, 0.9, 0.45, 0.08));
  SetKey(keyboard, kVkZ, InWindow(t, 5.0, 4.0, 0.4));

  static const int kChoiceOrder[] = {1, 2, 3, 1, 4, 2, 5, 1, 6, 3, 7, 2, 8};
  constexpr int kOrderLength = int(sizeof(kChoiceOrder) / sizeof(kChoiceOrder[0]));
  constexpr double kBuyPeriod = 0.75;
  // The key is picked once per press, so a purchase that moves to the next question cannot
  // bring a second key down within the same press.
  const int64_t step = int64_t(t / kBuyPeriod);
  const bool buying = InWindow(t, kBuyPeriod, 0.3, 0.1);
  if (buying && step != script->buyStep) {
    script->buyStep = step;
    script->buyKey =
        script->gamesEnded % 2 == 0 ? kChoiceOrder[step % kOrderLength] : GreedyChoice(game);
  }
  for (int i = 1; i <= 8; ++i) SetKey(keyboard, kVk1 + i - 1, buying && i == script->buyKey);

  const bool ended = game->state == kGameLost || game->state == kGameWon;
  if (!ended) {
    script->endedAt = -1.0;
    SetKey(keyboard, VK_SPACE, false);
    return;
  }
  if (script->endedAt < 0.0) {
    script->endedAt = t;
    ++script->gamesEnded;
  }
  const double since = t - script->endedAt;
  SetKey(keyboard, VK_SPACE, since >= 1.0 && since < 1.15);
}

// What the script made happen, counted from the game's own state between frames.
struct PlayCounts {
  uint32_t purchases, hitsTaken, wins, losses, restarts, mostEnemies;
  uint32_t walkFrames, punches, kicks, crouches;
};

void CountFrame(PlayCounts* counts, const Game* game, int32_t stateBefore, int32_t questionBefore,
                uint32_t damageIndexBefore, int32_t playerStateBefore) {
  const int32_t player = game->playerState;
  if (player == kFighterWalk) ++counts->walkFrames;
  if (player != playerStateBefore) {
    if (player == kFighterPunch) ++counts->punches;
    if (player == kFighterKick) ++counts->kicks;
    if (player == kFighterCrouch) ++counts->crouches;
  }
  if (stateBefore == kGamePlaying) {
    if (game->state == kGameWon) ++counts->wins;
    if (game->state == kGameLost) ++counts->losses;
    if (game->currentQuestion != questionBefore) ++counts->purchases;
  } else if (game->state == kGamePlaying) {
    ++counts->restarts;
  }
  if (game->damageTexts.index != damageIndexBefore) ++counts->hitsTaken;
  uint32_t active = 0;
  for (const Enemy& e : game->enemies) active += e.active ? 1 : 0;
  counts->mostEnemies = std::max(counts->mostEnemies, active);
}

// Nearest-rank percentile of sorted samples.
double Percentile(const std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0.0;
  size_t rank = size_t(std::ceil(fraction * double(sorted.size())));
  if (rank < 1) rank = 1;
  return sorted[std::min(rank, sorted.size()) - 1];
}

void PrintSummary(const char* name, std::vector<double>* samples) {
  std::sort(samples->begin(), samples->end());
  std::printf("%s median %.3f p99 %.3f max %.3f frames %zu\n", name, Percentile(*samples, 0.5),
              Percentile(*samples, 0.99), samples->empty() ? 0.0 : samples->back(), samples->size());
}

// Kernel plus user time of the calling thread, in milliseconds; negative when unreadable.
double ThreadCpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return -1.0;
  ULARGE_INTEGER k, u;
  k.LowPart = kernel.dwLowDateTime;
  k.HighPart = kernel.dwHighDateTime;
  u.LowPart = user.dwLowDateTime;
  u.HighPart = user.dwHighDateTime;
  return double(k.QuadPart + u.QuadPart) / 10000.0;
}

// Milliseconds from the process's creation to now, from the system clock (the performance
// counter does not reach back before the process). Negative when the times cannot be read.
double MillisecondsSinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1.0;
  GetSystemTimePreciseAsFileTime(&now);
  ULARGE_INTEGER a, b;
  a.LowPart = created.dwLowDateTime;
  a.HighPart = created.dwHighDateTime;
  b.LowPart = now.dwLowDateTime;
  b.HighPart = now.dwHighDateTime;
  if (b.QuadPart < a.QuadPart) return -1.0;
  return double(b.QuadPart - a.QuadPart) / 10000.0;
}

double ParseSeconds(const char* commandLine) {
  if (!commandLine || !*commandLine) return kDefaultSeconds;
  char* end = nullptr;
  double seconds = std::strtod(commandLine, &end);
  if (end == commandLine || !(seconds > 0.0) || seconds > 86400.0) {
    Report("kestra_bench: '%s' is not a duration in seconds; running %.0f s", commandLine,
           kDefaultSeconds);
    return kDefaultSeconds;
  }
  return seconds;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  Clock clock;
  QueryPerformanceFrequency(&clock.frequency);
  const int64_t entry = Now();
  InstallCrashFilter();
  const double seconds = ParseSeconds(commandLine);

  GameSession session;
  int exitCode = 0;
  if (!StartGame(instance, &session, &exitCode)) return exitCode;
  AppWindow* window = session.window;
  Game* game = session.game;

  Keyboard keyboard = {};
  // Best effort: without the focus the play counts show that the keys went nowhere.
  SetForegroundWindow(window->window);
  SetFocus(window->window);
  Script script = {-1.0, 0, -1, 0};
  PlayCounts counts = {};

  std::vector<double> frameMs, updateMs, drawMs, endFrameMs;
  const size_t expected = size_t(seconds * 240.0) + 16;
  for (std::vector<double>* v : {&frameMs, &updateMs, &drawMs, &endFrameMs}) v->reserve(expected);

  double startupMs = -1.0, startupFromProcessMs = -1.0, threadCpuAtStart = -1.0;
  double worstMs = 0.0, worstAt = 0.0;  // the slowest frame and when it ran (s into the loop)
  const int64_t loopStart = Now();
  while (window->running) {
    // The first frame is start-up's last step; the script and the samples begin after it. Keys
    // go in before the messages are taken, as a person's press would arrive.
    if (startupMs >= 0.0) {
      const double t = Milliseconds(clock, Now() - loopStart) / 1000.0;
      if (t >= seconds) break;
      PlayScript(&script, &keyboard, game, t);
    }
    const int32_t stateBefore = game->state, questionBefore = game->currentQuestion;
    const uint32_t damageIndexBefore = game->damageTexts.index;
    const int32_t playerStateBefore = game->playerState;
    FramePassTimes times;
    RunFramePass(&session, &times);
    const int64_t t0 = times.updateStart, t1 = times.updateEnd, t2 = times.drawStart,
                  t3 = times.drawEnd, t4 = times.endFrameEnd;

    if (startupMs < 0.0) {
      startupMs = Milliseconds(clock, Now() - entry);
      startupFromProcessMs = MillisecondsSinceProcessStart();
      threadCpuAtStart = ThreadCpuMilliseconds();
      continue;
    }
    CountFrame(&counts, game, stateBefore, questionBefore, damageIndexBefore, playerStateBefore);
    updateMs.push_back(Milliseconds(clock, t1 - t0));
    drawMs.push_back(Milliseconds(clock, t3 - t2));
    endFrameMs.push_back(Milliseconds(clock, t4 - t3));
    frameMs.push_back(Milliseconds(clock, (t1 - t0) + (t4 - t2)));
    if (frameMs.back() > worstMs) {
      worstMs = frameMs.back();
      worstAt = Milliseconds(clock, t0 - loopStart) / 1000.0;
    }
  }
  const double loopSeconds = Milliseconds(clock, Now() - loopStart) / 1000.0;
  const double threadCpuAtEnd = ThreadCpuMilliseconds();
  const double mainThreadCpuMs =
      threadCpuAtStart >= 0.0 && threadCpuAtEnd >= 0.0 ? threadCpuAtEnd - threadCpuAtStart : -1.0;
  ReleaseAll(&keyboard);

  StopGame(&session);

  std::printf("startup_ms %.1f\n", startupMs);
  if (startupFromProcessMs >= 0.0) std::printf("startup_from_process_ms %.1f\n", startupFromProcessMs);
  PrintSummary("frame_cpu_ms", &frameMs);
  std::printf("frame_cpu_worst_ms %.3f at_s %.2f\n", worstMs, worstAt);
  PrintSummary("update_ms", &updateMs);
  PrintSummary("draw_ms", &drawMs);
  PrintSummary("endframe_ms", &endFrameMs);
  std::printf("loop_s %.1f fps %.1f\n", loopSeconds,
              loopSeconds > 0.0 ? double(frameMs.size()) / loopSeconds : 0.0);
  std::printf("play walk_frames %u punches %u kicks %u crouches %u purchases %u hits_taken %u "
              "wins %u losses %u restarts %u most_enemies %u\n",
              counts.walkFrames, counts.punches, counts.kicks, counts.crouches, counts.purchases,
              counts.hitsTaken, counts.wins, counts.losses, counts.restarts, counts.mostEnemies);
  if (mainThreadCpuMs >= 0.0 && !frameMs.empty())
    std::printf("main_thread_cpu_ms_per_frame %.3f\n", mainThreadCpuMs / double(frameMs.size()));
  if (keyboard.rejected) std::printf("input_rejected %u\n", keyboard.rejected);
  std::fflush(stdout);
  return 0;
}
