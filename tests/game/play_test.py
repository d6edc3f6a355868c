"""Plays the real kestra.exe with real input (xdotool) and checks what the screen shows:
start-up, walking and punching, buying, the pause panel, a lost game, a restart, a won game,
resizes, a minimise and restore, and a clean exit on WM_CLOSE. Screenshots of each step are kept
under build/game_shots/ (start, purchase, pause, loss, win, ...).

Tolerances: a region "shows ink" when at least the stated number of its pixels are dark (all
channels below 70); the backdrop matches data/Kestra/images/bg.png within a mean difference of
12 levels where nothing is drawn over it."""
import os
import sys
import time

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from game_screen import (BUILD, GameRun, box, bright, changed_pixels, count_pixels, crop, dark,
                         fail, game_pids, green_ink, mean_brightness, mean_difference, run)

BACKDROP = Image.open(os.path.join(BUILD, "data", "Kestra", "images", "bg.png")).convert("RGB")


def backdrop_for(image):
    """The backdrop as the game stretches it: 1280 x 500 virtual units at the top."""
    w, h = image.size
    return BACKDROP.resize((w, int(500 / 720.0 * h)))


def player_columns(image):
    """x extent (virtual units) of what covers the backdrop in the player's band, right of 300."""
    bg = backdrop_for(image)
    w, h = image.size
    x0, top, x1, bottom = box(image, 300, 320, 1280, 560)
    columns = []
    for x in range(x0, x1):
        differing = 0
        for y in range(top, bottom, 3):
            a = image.getpixel((x, y))
            b = bg.getpixel((x, y))
            if abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2]) > 90:
                differing += 1
        if differing >= 4:
            columns.append(x)
    if not columns:
        return None
    return (columns[0] * 1280.0 / w, columns[-1] * 1280.0 / w)


def check_ink(image, name, region, least):
    count = count_pixels(crop(image, *region), dark)
    print("  %s: %d dark pixels (need %d)" % (name, count, least))
    if count < least:
        fail("%s shows no text" % name)


def check_won(game, name, after):
    """The game-won panel: a dark band with bright text over the middle of the screen."""
    won = game.shot(name)
    panel_dark = mean_brightness(crop(won, 110, 450, 1170, 510))
    print("  %s: panel brightness %.0f" % (name, panel_dark))
    if panel_dark > 120 or count_pixels(crop(won, 100, 400, 1180, 520), bright) < 100:
        fail("no game-won panel after " + after)


def main():
    game = GameRun()
    game.wait_window()
    time.sleep(2.5)
    x, y, w, h = game.client_rect()
    print("client area %dx%d at %d,%d" % (w, h, x, y))
    if (w, h) != (1280, 720):
        fail("client area is %dx%d, not 1280x720" % (w, h))

    # Start-up: backdrop, budget, question and the start question's five choices.
    start = game.shot("start")
    sky = mean_difference(crop(start, 700, 650, 1280, 720), crop(backdrop_for(start), 700, 650, 1280, 720))
    print("  backdrop difference in the sky: %.1f" % sky)
    if sky > 12:
        fail("the backdrop is not drawn")
    check_ink(start, "budget", (100, 600, 600, 640), 150)
    check_ink(start, "question", (100, 200, 600, 240), 150)
    for slot, (cx, cy) in enumerate([(100, 150), (100, 100), (100, 50), (100, 0), (600, 150)]):
        check_ink(start, "choice %d" % (slot + 1), (cx, cy, cx + 500, cy + 40), 150)
    extent = player_columns(start)
    print("  player spans x %s" % (extent,))
    if not extent or not (500 < extent[0] < 600):
        fail("the player is not drawn at x 540")

    # Arrows walk, A punches (the punch pose reaches further than the standing one).
    game.hold("Right", 0.6)
    time.sleep(0.2)
    moved = player_columns(game.shot("walked"))
    print("  after Right: player spans x %s" % (moved,))
    if not moved or moved[0] < extent[0] + 60:
        fail("Right did not move the player right")
    standing_width = moved[1] - moved[0]
    punched = None
    for attempt in range(4):
        game.key("a")
        punched = player_columns(game.shot("punch"))
        print("  punch attempt %d: player spans x %s" % (attempt + 1, punched))
        if punched and punched[1] - punched[0] > standing_width + 30:
            break
        time.sleep(0.4)
    else:
        fail("A did not show the punch pose")
    game.hold("Left", 0.6)

    # Buying: key 1 takes 320.00 from the budget and shows it floating in green.
    before = game.shot("before-purchase")
    game.key("1")
    time.sleep(0.3)
    after = game.shot("purchase")
    budget_change = changed_pixels(crop(before, 100, 600, 600, 640), crop(after, 100, 600, 600, 640))
    price_ink = count_pixels(crop(after, 100, 560, 600, 600), green_ink)
    question_change = changed_pixels(crop(before, 100, 200, 600, 240), crop(after, 100, 200, 600, 240))
    print("  purchase: budget changed %d px, green price %d px, question changed %d px"
          % (budget_change, price_ink, question_change))
    if budget_change < 100 or price_ink < 50 or question_change < 100:
        fail("key 1 did not buy the first choice")

    # Pause: the panel covers the middle, the help text is white on it, and the fight stands still.
    game.key("Escape")
    time.sleep(0.4)
    paused = game.shot("pause")
    if mean_brightness(crop(paused, 120, 110, 1160, 130)) > 100:
        fail("no dark pause panel")
    help_ink = count_pixels(crop(paused, 150, 500, 1130, 600), bright)
    print("  pause: help text %d bright px" % help_ink)
    if help_ink < 200:
        fail("no help text on the pause panel")
    time.sleep(1.0)
    still = game.shot("pause-later")
    frozen = changed_pixels(paused, still)
    print("  pause: %d px changed over 1 s" % frozen)
    if frozen > 50:
        fail("the game moved while paused")
    game.key("Escape")
    time.sleep(1.5)
    resumed_a = game.shot("resumed")
    time.sleep(1.0)
    resumed_b = game.shot("resumed-later")
    if changed_pixels(resumed_a, resumed_b) < 200:
        fail("the game did not resume after the second Escape")
    if mean_brightness(crop(resumed_b, 120, 110, 1160, 130)) < 100:
        fail("the pause panel stayed after resuming")

    # A loss: buying beyond the budget (320 + 210 + 64 + 41 + 76 + 120 + 150 > 900).
    light = mean_brightness(resumed_b)
    for _ in range(6):
        game.key("1")
        time.sleep(0.25)
    time.sleep(0.5)
    lost = game.shot("loss")
    print("  loss: brightness %.0f -> %.0f" % (light, mean_brightness(lost)))
    if mean_brightness(lost) > light * 0.75:
        fail("no dimmed game-over screen after overspending")
    if count_pixels(crop(lost, 100, 400, 1180, 440), bright) < 100:
        fail("no game-over text")

    # Restart on Space, then a win: the path that spends exactly 900.00.
    game.key("space")
    time.sleep(0.6)
    restarted = game.shot("restart")
    if mean_brightness(restarted) < light * 0.85:
        fail("Space did not start a new game")
    if changed_pixels(crop(start, 100, 600, 600, 640), crop(restarted, 100, 600, 600, 640)) > 150:
        fail("the new game does not show the full budget")
    for k in ["1", "1", "1", "1", "1", "1", "2", "2"]:
        game.key(k)
        time.sleep(0.25)
    time.sleep(0.5)
    check_won(game, "win", "spending exactly 900.00")
    game.key("space")
    time.sleep(0.6)

    # A dialogue that ends with 105.50 left stays on the end question, whose eight extras spend it:
    # 100.00 + 5.00 leave 0.50, less than any price, and that wins.
    game.key("1", "1", "3", "2", "2", "1", "2", "2", held=0.15, gap=0.15)
    time.sleep(0.3)
    extras = game.shot("end-extras")
    if mean_brightness(extras) < light * 0.85:
        fail("the game ended with money left instead of offering the extras")
    check_ink(extras, "end question", (100, 200, 600, 240), 150)
    for slot in range(8):
        cx, cy = (100 if slot < 4 else 600), 150 - 50 * (slot % 4)
        check_ink(extras, "extra %d" % (slot + 1), (cx, cy, cx + 500, cy + 40), 150)
    game.key("3", "6", held=0.15, gap=0.15)
    time.sleep(0.5)
    check_won(game, "win-extras", "spending the rest on the extras")
    game.key("space")
    time.sleep(0.6)

    # Resizes: the game follows the client area and the text follows its height.
    heights = {}
    for (rw, rh) in [(800, 450), (1600, 900), (1280, 720)]:
        run(["xdotool", "windowsize", game.window, str(rw), str(rh)])
        time.sleep(1.2)
        cx, cy, cw, ch = game.client_rect()
        image = game.shot("resize-%dx%d" % (cw, ch))
        rows = [r for r in range(*box(image, 100, 200, 600, 240)[1::2])
                if any(dark(image.getpixel((c, r))) for c in range(*box(image, 100, 200, 600, 240)[0::2]))]
        heights[ch] = (rows[-1] - rows[0] + 1) if rows else 0
        print("  resized to %dx%d: question ink %d px high" % (cw, ch, heights[ch]))
        if not game.alive():
            fail("the game ended on a resize")
        if heights[ch] == 0:
            fail("no question text at %dx%d" % (cw, ch))
    small, large = min(heights), max(heights)
    if small != large and not heights[large] > heights[small] * 1.3:
        fail("the text did not grow with the window")

    # Minimise and restore: the game goes on drawing, and while minimised it does not spin (a
    # fifth of one core at most, all of its threads counted).
    def cpu_ticks():
        total = 0
        for pid in game_pids():
            try:
                with open("/proc/%s/stat" % pid) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            total += int(fields[11]) + int(fields[12])  # utime + stime
        return total

    run(["wine", os.path.join(BUILD, "tests", "app", "window_tool.exe"), "minimize"])
    time.sleep(1.0)
    ticks, start = cpu_ticks(), time.time()
    time.sleep(3.0)
    cores = (cpu_ticks() - ticks) / os.sysconf("SC_CLK_TCK") / (time.time() - start)
    print("  minimised: %.2f cores" % cores)
    if not game.alive():
        fail("the game ended when minimised")
    if cores >= 0.2:
        fail("the minimised game spins: %.2f cores" % cores)
    run(["wine", os.path.join(BUILD, "tests", "app", "window_tool.exe"), "restore"])
    time.sleep(1.5)
    game.client_rect()
    a = game.shot("restored")
    time.sleep(1.0)
    b = game.shot("restored-later")
    if changed_pixels(a, b) < 100:
        fail("the game stopped drawing after a minimise and restore")
    check_ink(b, "question after restore", (100, 200, 600, 240), 100)

    code = game.close()
    print("exit code %d" % code)
    output = game.output()
    if "device removed" in output.lower() or "DXGI_ERROR" in output:
        fail("device trouble:\n" + output)
    if code != 0:
        fail("exit code %d; output:\n%s" % (code, output))
    print("game output:\n" + output)


if __name__ == "__main__":
    main()
