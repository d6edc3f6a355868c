"""Soak: the real game under random input for a bounded time (KESTRA_SOAK_SECONDS, default 150)
with resizes (down to 1 x 1 and up to 3840 x 2160), a minimise and restore, pauses and restarts.
It must keep running, end with exit code 0 on WM_CLOSE, and its memory must stay flat after the
warm-up: the resident size of the kestra.exe process, sampled at 1280 x 720 after each round,
may not grow by more than 10 % + 16 MiB from the first round after warm-up to the highest later
one."""
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from game_screen import BUILD, GameRun, count_pixels, crop, dark, fail, game_pids, run

WINDOW_TOOL = os.path.join(BUILD, "tests", "app", "window_tool.exe")
KEYS = ["Left", "Right", "Up", "Down", "a", "q", "e", "z", "w", "1", "2", "3", "4", "5", "6", "7",
        "8", "KP_1", "KP_4", "space"]
SIZES = [(1, 1), (3840, 2160), (640, 360), (1000, 1000), (1920, 1080), (300, 700)]


def resident_kib():
    """VmRSS of this build's game (all of its processes)."""
    total = 0
    for pid in game_pids():
        try:
            with open("/proc/%s/status" % pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        total += int(line.split()[1])
        except OSError:
            continue
    return total


def random_input(game, rng, seconds):
    end = time.time() + seconds
    while time.time() < end:
        action = rng.random()
        if action < 0.55:
            game.key(rng.choice(KEYS), held=0.01, gap=0.01)
        elif action < 0.75:
            game.hold(rng.choice(["Left", "Right", "Up", "Down", "z"]), rng.uniform(0.1, 0.6))
        elif action < 0.9:
            x, y, w, h = game.rect
            run(["xdotool", "mousemove", str(x + rng.randrange(max(1, w))),
                 str(y + rng.randrange(max(1, h))), "click", "1"])
        else:
            game.key("Escape", held=0.01, gap=0.01)
            time.sleep(rng.uniform(0.1, 0.5))
            game.key("Escape", held=0.01, gap=0.01)
        time.sleep(rng.uniform(0.02, 0.2))
        if not game.alive():
            fail("the game ended during random input; output:\n" + game.output())


def main():
    seconds = float(os.environ.get("KESTRA_SOAK_SECONDS", "150"))
    rng = random.Random(20261208)
    game = GameRun(name="soak")
    game.wait_window()
    time.sleep(2)
    game.client_rect()
    start = time.time()
    samples = []
    round_number = 0
    while time.time() - start < seconds:
        round_number += 1
        random_input(game, rng, 12)
        size = SIZES[round_number % len(SIZES)]
        run(["xdotool", "windowsize", game.window, str(size[0]), str(size[1])])
        time.sleep(1.0)
        if round_number % 4 == 0:
            run(["wine", WINDOW_TOOL, "minimize"])
            time.sleep(1.0)
            run(["wine", WINDOW_TOOL, "restore"])
            time.sleep(0.5)
        run(["xdotool", "windowsize", game.window, "1280", "720"])
        time.sleep(1.5)
        if not game.alive():
            fail("the game ended after a resize to %dx%d; output:\n%s" % (size + (game.output(),)))
        game.client_rect()
        kib = resident_kib()
        samples.append(kib)
        print("round %d (%.0f s): resized via %dx%d, resident %.1f MiB"
              % (round_number, time.time() - start, size[0], size[1], kib / 1024.0), flush=True)

    image = game.shot("soak-end")
    if count_pixels(crop(image, 100, 200, 600, 240), dark) < 50:
        fail("no question text at the end of the soak")
    code = game.close()
    print("exit code %d" % code)
    if code != 0:
        fail("exit code %d; output:\n%s" % (code, game.output()))
    warm = samples[2:] if len(samples) > 4 else samples[1:]
    if warm:
        base, peak = warm[0], max(warm)
        allowed = base * 1.10 + 16 * 1024
        print("resident after warm-up: first %.1f MiB, highest %.1f MiB, allowed %.1f MiB"
              % (base / 1024.0, peak / 1024.0, allowed / 1024.0))
        if peak > allowed:
            fail("memory grew during the soak")


if __name__ == "__main__":
    main()
