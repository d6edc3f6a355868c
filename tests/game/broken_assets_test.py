"""A missing or broken asset never crashes the game: each is reported once on standard output,
naming the file, and the game runs without it. A missing data folder is reported with a message
box and a non-zero exit code."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from game_screen import (BUILD, OUT, GameRun, count_pixels, crop, dark, fail, mean_brightness,
                         run)


def make_data_copy(name):
    root = os.path.join(OUT, name)
    shutil.copytree(os.path.join(BUILD, "data"), os.path.join(root, "data"))
    return root, os.path.join(root, "data", "Kestra")


def truncate(path, size):
    with open(path, "r+b") as f:
        f.truncate(size)


def play_briefly(workdir, name, seconds=5):
    game = GameRun(workdir, name)
    game.wait_window()
    time.sleep(seconds)
    if not game.alive():
        fail("%s: the game ended by itself:\n%s" % (name, game.output()))
    game.key("1", "Escape")
    time.sleep(0.5)
    image = game.shot(name)
    code = game.close()
    output = game.output()
    print("%s: exit code %d; output:\n%s" % (name, code, output))
    if code != 0:
        fail("%s: exit code %d" % (name, code))
    return output, image


def expect_reported_once(output, needle):
    lines = [line for line in output.splitlines() if needle in line]
    if not lines:
        fail("no report names %s" % needle)
    if len(lines) > 2:
        fail("%s reported %d times" % (needle, len(lines)))


def main():
    # One of each kind of asset broken at once; the rest of the game still plays.
    root, kestra = make_data_copy("broken")
    os.remove(os.path.join(kestra, "images", "punch", "left.png"))
    truncate(os.path.join(kestra, "images", "bg.png"), 300)
    with open(os.path.join(kestra, "shaders", "color.hlsl"), "w") as f:
        f.write("float4 PSMain( : SV_TARGET { this is not HLSL\n")
    os.remove(os.path.join(kestra, "sounds", "punchhit.ogg"))
    with open(os.path.join(kestra, "sounds", "playerhurt.ogg"), "wb") as f:
        f.write(b"OggS but not really a vorbis stream")
    with open(os.path.join(kestra, "menu.json"), "w") as f:
        f.write('{"menu": {"questions": [')
    output, image = play_briefly(root, "broken-assets")
    for needle in ["punch/left.png", "bg.png", "color", "punchhit.ogg", "playerhurt.ogg",
                   "menu.json"]:
        expect_reported_once(output, needle)
    if count_pixels(crop(image, 100, 200, 1180, 240), dark) < 100:
        fail("no message in place of the broken dialogue")

    # Without the black pixel the rectangles still draw: the paused game is dark under its panel.
    root, kestra = make_data_copy("no-black-pixel")
    os.remove(os.path.join(kestra, "blackpixel.bmp"))
    output, image = play_briefly(root, "no-black-pixel", seconds=3)
    expect_reported_once(output, "blackpixel.bmp")
    panel = mean_brightness(crop(image, 120, 110, 1160, 130))
    print("no-black-pixel: brightness under the pause panel %.0f" % panel)
    if panel > 100:
        fail("no pause panel without blackpixel.bmp")

    # No shaders and no font at all: nothing can be drawn, and still nothing crashes.
    root, kestra = make_data_copy("bare")
    shutil.rmtree(os.path.join(kestra, "shaders"))
    os.remove(os.path.join(kestra, "PatuaOne-Regular.ttf"))
    shutil.rmtree(os.path.join(root, "data", "Murvel"))
    output, _ = play_briefly(root, "no-shaders-no-font", seconds=3)
    expect_reported_once(output, "PatuaOne-Regular.ttf")
    expect_reported_once(output, "basic-fixed")

    # Started from a folder without data/Kestra: a message box, then a non-zero exit code.
    empty = os.path.join(OUT, "empty")
    os.makedirs(empty)
    game = GameRun(empty, "no-data")
    box = None
    for _ in range(200):
        ids = run(["xdotool", "search", "--name", "An error occurred"]).split()
        if ids:
            box = ids[0]
            break
        if not game.alive():
            break
        time.sleep(0.1)
    if not box:
        fail("no message box for the missing data folder; output:\n" + game.output())
    time.sleep(0.5)
    run(["xdotool", "windowfocus", "--sync", box])
    run(["xdotool", "key", "Return"])
    try:
        code = game.process.wait(30)
    except Exception:
        game.process.kill()
        fail("the game did not end after the message box")
    output = game.output()
    print("no-data: exit code %d; output:\n%s" % (code, output))
    if code == 0:
        fail("a missing data folder ended with exit code 0")
    if "data/Kestra" not in output:
        fail("the missing data folder was not reported on standard output")


if __name__ == "__main__":
    main()
