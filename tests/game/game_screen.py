"""Shared helpers of the whole-game tests: start kestra.exe under Wine, find its client area,
send real input with xdotool, take screenshots and measure regions of them.

Regions are given in the game's virtual units (1280 x 720, y upward from the bottom) and mapped
onto the client area the way the game stretches its screen."""
import os
import subprocess
import sys
import time

from PIL import Image, ImageChops, ImageStat

BUILD = os.environ["KESTRA_BUILD"]
OUT = os.environ["KESTRA_WINE_OUT"]
SHOTS = os.path.join(BUILD, "game_shots")
WINDOW_TOOL = os.path.join(BUILD, "tests", "app", "window_tool.exe")
TITLE = "Kestra Brelda & Quonzel"


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def run(args, timeout=30):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=timeout).stdout


class GameRun:
    """One run of kestra.exe in a working directory (the build folder by default)."""

    def __init__(self, workdir=BUILD, name="game"):
        self.workdir = workdir
        self.out_path = os.path.join(OUT, name + ".out")
        # Never a pipe: Wine's services keep pipes open after the program ends.
        self.out = open(self.out_path, "w")
        self.process = subprocess.Popen(["wine", os.path.join(BUILD, "kestra.exe")], cwd=workdir,
                                        stdout=self.out, stderr=subprocess.STDOUT)
        self.window = None
        self.rect = None

    def output(self):
        if not self.out.closed:
            self.out.flush()
        with open(self.out_path, errors="replace") as f:
            return f.read()

    def alive(self):
        return self.process.poll() is None

    def wait_window(self, seconds=60):
        deadline = time.time() + seconds
        while time.time() < deadline:
            ids = run(["xdotool", "search", "--name", TITLE]).split()
            if ids:
                self.window = ids[0]
                return self.window
            if not self.alive():
                break
            time.sleep(0.1)
        fail("no window titled '%s'; output:\n%s" % (TITLE, self.output()))

    def client_rect(self):
        parts = run(["wine", WINDOW_TOOL, "rect"]).split()
        if len(parts) < 4:
            fail("window_tool rect gave %r" % parts)
        self.rect = tuple(int(p) for p in parts[-4:])
        return self.rect

    def focus(self):
        run(["xdotool", "windowfocus", "--sync", self.window])

    def key(self, *keys, held=0.1, gap=0.06):
        """Presses each key in turn. The game reads held keys once a frame, so a key is held a
        while: a bare tap can fall between two frames of a loaded machine and go unseen."""
        for k in keys:
            self.hold(k, held)
            time.sleep(gap)

    def hold(self, key, seconds):
        self.focus()
        run(["xdotool", "keydown", key])
        time.sleep(seconds)
        run(["xdotool", "keyup", key])

    def close(self, seconds=30):
        run(["wine", WINDOW_TOOL, "close"])
        try:
            code = self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            fail("the game did not end within %d s of WM_CLOSE" % seconds)
        self.out.close()
        return code

    def shot(self, name):
        """The client area now, saved under build/game_shots/ for a person to look at."""
        os.makedirs(SHOTS, exist_ok=True)
        x, y, w, h = self.rect or self.client_rect()
        path = os.path.join(SHOTS, name + ".png")
        whole = os.path.join(OUT, "root.png")
        subprocess.run(["import", "-window", "root", whole], check=True, timeout=30)
        image = Image.open(whole).convert("RGB")
        image = image.crop((x, y, x + w, y + h))
        image.save(path)
        return image


def game_pids():
    """The processes of this build's kestra.exe (Wine names them after it; another build's game
    may be running on the same machine)."""
    exe = os.path.join(BUILD, "kestra.exe").encode()
    pids = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if f.read().startswith(exe):
                    pids.append(pid)
        except OSError:
            continue
    return pids


def box(image, vx0, vy0, vx1, vy1):
    """Pixel box of a virtual-unit rectangle in an image of the client area."""
    w, h = image.size
    left = int(vx0 / 1280.0 * w)
    right = int(vx1 / 1280.0 * w)
    top = int(h - vy1 / 720.0 * h)
    bottom = int(h - vy0 / 720.0 * h)
    return (max(0, left), max(0, top), min(w, right), min(h, bottom))


def crop(image, vx0, vy0, vx1, vy1):
    return image.crop(box(image, vx0, vy0, vx1, vy1))


def count_pixels(image, predicate):
    return sum(1 for p in image.getdata() if predicate(p))


def dark(p):
    return p[0] < 70 and p[1] < 70 and p[2] < 70


def bright(p):
    return p[0] > 200 and p[1] > 200 and p[2] > 200


def green_ink(p):
    return p[1] > 120 and p[0] < 90 and p[2] < 90


def red_ink(p):
    return p[0] > 150 and p[1] < 70 and p[2] < 70


def mean_brightness(image):
    return sum(ImageStat.Stat(image.convert("L")).mean)


def mean_difference(a, b):
    return sum(ImageStat.Stat(ImageChops.difference(a, b)).mean) / 3.0


def changed_pixels(a, b, threshold=40):
    diff = ImageChops.difference(a, b).convert("L")
    return sum(1 for v in diff.getdata() if v > threshold)
