#!/usr/bin/python3
"""Writes the small image files that the loader tests read and that seed the loader fuzzers.
Re-runnable; the output is committed.

    tools/make_test_images.py

tests/data/images/   pictures with known texels, written by Pillow (an encoder of its own, so the
                     tests do not only read what our libpng writer wrote)
tests/fuzz/corpus/bmp, tests/fuzz/corpus/png   the same files plus a few odd ones
"""
import os
import shutil

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data", "images")
BMP_CORPUS = os.path.join(ROOT, "tests", "fuzz", "corpus", "bmp")
PNG_CORPUS = os.path.join(ROOT, "tests", "fuzz", "corpus", "png")


def texel(x, y):
    """The colour of texel (x, y), y counted from the top; the tests repeat this formula."""
    return (x * 40 + 10, y * 50 + 20, (x + y) * 20 + 5)


def picture(mode, width, height):
    rgb = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            rgb.putpixel((x, y), texel(x, y))
    if mode == "RGBA":
        rgba = rgb.convert("RGBA")
        rgba.putpixel((0, 0), (200, 100, 50, 0))  # transparent: its colour must be dropped
        return rgba
    return rgb.convert(mode) if mode != "RGB" else rgb


def main():
    for folder in (DATA, BMP_CORPUS, PNG_CORPUS):
        os.makedirs(folder, exist_ok=True)
    # 3 x 2: 9-byte rows padded to 12 in the BMP.
    picture("RGB", 3, 2).save(os.path.join(DATA, "rgb_3x2.bmp"))
    picture("RGB", 3, 2).save(os.path.join(DATA, "rgb_3x2.png"))
    picture("RGBA", 3, 2).save(os.path.join(DATA, "rgba_3x2.png"))
    picture("L", 3, 2).save(os.path.join(DATA, "grey_3x2.png"))
    picture("RGB", 3, 2).quantize(4).save(os.path.join(DATA, "palette_3x2.png"))

    for name in sorted(os.listdir(DATA)):
        target = BMP_CORPUS if name.endswith(".bmp") else PNG_CORPUS
        shutil.copy(os.path.join(DATA, name), os.path.join(target, name))
    picture("RGB", 1, 1).save(os.path.join(BMP_CORPUS, "one_texel.bmp"))
    picture("RGB", 5, 4).save(os.path.join(BMP_CORPUS, "rgb_5x4.bmp"))
    picture("LA", 4, 4).save(os.path.join(PNG_CORPUS, "grey_alpha_4x4.png"))
    picture("RGB", 7, 3).save(os.path.join(PNG_CORPUS, "rgb_7x3.png"))
    picture("1", 9, 2).save(os.path.join(PNG_CORPUS, "bits_9x2.png"))
    Image.new("I;16", (3, 2), 40000).save(os.path.join(PNG_CORPUS, "grey16_3x2.png"))


if __name__ == "__main__":
    main()
