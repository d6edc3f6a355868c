#!/usr/bin/python3
"""Draws the game's images into data/Kestra/: the 46 fighter sprites, the street backdrop and the
black pixel. Re-runnable; the output is committed.

    tools/make_sprites.py [--out DIR]   (default: data/Kestra under the repository root)

Fighters are puppets of capsule limbs posed by joint angles (degrees from straight down, positive
towards the way the fighter faces). Each pose is drawn facing right at 4x and scaled down for
smooth edges; the left-facing image is its mirror. Image sizes are the drawn sizes of the game's
sprite tables rounded to whole pixels, so the sprites show one texel per unit at 1280 x 720.
"""
import argparse
import math
import os
import struct
import sys

from PIL import Image, ImageDraw

SS = 4  # supersampling factor

# Image sizes (width, height) in pixels.
STAND = (120, 274)
CROUCH = (120, 185)
PUNCH = (200, 263)
KICK = (200, 266)
DEAD = (274, 109)
BACKGROUND = (1280, 500)

OUTLINE = (28, 22, 30, 255)

PLAYER = {
    "skin": (241, 196, 160),
    "hair": (170, 62, 32),
    "top": (38, 150, 160),      # teal hoodie
    "top_trim": (230, 230, 220),
    "legs": (44, 62, 120),      # jeans
    "shoe": (245, 245, 245),
    "shoe_trim": (210, 40, 50),
    "belt": None,
    "ponytail": True,
    "bandana": None,
    "sleeves": True,
    "build": 1.0,
}
ENEMY = {
    "skin": (150, 100, 70),
    "hair": (25, 22, 24),
    "top": (196, 40, 40),       # red vest, bare arms
    "top_trim": (120, 20, 24),
    "legs": (58, 58, 64),       # dark grey cargo trousers
    "shoe": (40, 30, 26),       # boots
    "shoe_trim": (90, 70, 50),
    "belt": (200, 170, 60),
    "ponytail": False,
    "bandana": (240, 200, 40),
    "sleeves": False,
    "build": 1.12,
}

# Body measures in output pixels.
HEAD_R = 19
NECK = 8
TORSO = 80
THIGH = 64
SHIN = 62
FOOT = 18
UPPER_ARM = 46
FOREARM = 42
LIMB_R = 8.5
ARM_R = 7
OUT = 1.6  # outline thickness


def shade(color, factor):
    return tuple(max(0, min(255, int(c * factor))) for c in color[:3]) + (255,)


def rgba(color):
    return tuple(color[:3]) + (255,)


def along(origin, angle_deg, length):
    """The point length away from origin in the direction angle (0 = down, +90 = forward)."""
    a = math.radians(angle_deg)
    return (origin[0] + length * math.sin(a), origin[1] + length * math.cos(a))


class Canvas:
    """A supersampled RGBA drawing surface in output-pixel coordinates (y down)."""

    def __init__(self, size):
        self.size = size
        self.image = Image.new("RGBA", (size[0] * SS, size[1] * SS), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.image)

    def _p(self, p):
        return (p[0] * SS, p[1] * SS)

    def disc(self, center, radius, fill):
        x, y = center[0] * SS, center[1] * SS
        r = radius * SS
        self.draw.ellipse((x - r, y - r, x + r, y + r), fill=fill)

    def capsule(self, a, b, radius, fill):
        self.draw.line([self._p(a), self._p(b)], fill=fill, width=max(1, int(2 * radius * SS)))
        self.disc(a, radius, fill)
        self.disc(b, radius, fill)

    def outlined_capsule(self, a, b, radius, fill):
        self.capsule(a, b, radius + OUT, OUTLINE)
        self.capsule(a, b, radius, fill)

    def polygon(self, points, fill):
        self.draw.polygon([self._p(p) for p in points], fill=fill)

    def outlined_disc(self, center, radius, fill):
        self.disc(center, radius + OUT, OUTLINE)
        self.disc(center, radius, fill)

    def finish(self):
        return self.image.resize(self.size, Image.LANCZOS)


class Pose:
    """Joint angles of one pose, facing right. Legs and arms: (upper, lower) angles; 'near' limbs
    are drawn over the body, 'far' ones behind it."""

    def __init__(self, **kw):
        self.lean = 0.0            # torso angle from upright, + leans forward
        self.head_tilt = 0.0       # extra head offset angle
        self.near_leg = (0, 0)
        self.far_leg = (0, 0)
        self.near_arm = (-10, 20)
        self.far_arm = (10, 30)
        self.near_foot = 90        # foot direction (90 = pointing forward, flat)
        self.far_foot = 90
        self.near_fist = False
        self.far_fist = False
        self.face = "normal"       # normal, fierce, hurt, dead
        self.rotate = 0.0          # whole-body rotation in degrees (for the fallen body)
        self.__dict__.update(kw)


def skeleton(pose, look, hip):
    """Joint positions for a pose with its hip at 'hip'."""
    build = look["build"]
    j = {"hip": hip}
    # The torso goes up from the hip: angle 180 is straight up; leaning forward tilts it forward.
    j["shoulder"] = along(hip, 180 - pose.lean, TORSO)
    j["neck"] = along(hip, 180 - pose.lean, TORSO + NECK)
    j["head"] = along(j["neck"], 180 - pose.lean - pose.head_tilt, HEAD_R * 0.9)
    if look["ponytail"]:
        # Only so that the fit below keeps the ponytail's tip inside the image.
        j["tail"] = (j["head"][0] - HEAD_R * 1.6, j["head"][1] + HEAD_R * 0.6)
    for side in ("near", "far"):
        upper, lower = getattr(pose, side + "_leg")
        knee = along(hip, upper, THIGH)
        ankle = along(knee, lower, SHIN)
        toe = along(ankle, getattr(pose, side + "_foot"), FOOT)
        j[side + "_knee"], j[side + "_ankle"], j[side + "_toe"] = knee, ankle, toe
        upper, lower = getattr(pose, side + "_arm")
        elbow = along(j["shoulder"], upper, UPPER_ARM * build ** 0.3)
        hand = along(elbow, lower, FOREARM * build ** 0.3)
        j[side + "_elbow"], j[side + "_hand"] = elbow, hand
    if pose.rotate:
        # Turn the whole body about the hip (for the fallen fighter).
        a = math.radians(pose.rotate)
        ca, sa = math.cos(a), math.sin(a)
        for k, (x, y) in list(j.items()):
            dx, dy = x - hip[0], y - hip[1]
            j[k] = (hip[0] + dx * ca - dy * sa, hip[1] + dx * sa + dy * ca)
    return j


def extent(pose, look):
    """Bounding box (x0, y0, x1, y1) of the pose drawn with its hip at the origin."""
    j = skeleton(pose, look, (0.0, 0.0))
    pad = LIMB_R * look["build"] + OUT + 1
    xs = [p[0] for p in j.values()]
    ys = [p[1] for p in j.values()]
    head = j["head"]
    hr = HEAD_R + OUT + 2
    return (min(min(xs) - pad, head[0] - hr), min(min(ys) - pad, head[1] - hr - 4),
            max(max(xs) + pad, head[0] + hr), max(max(ys) + pad, head[1] + hr))


def draw_leg(c, j, side, look, dark):
    k = shade(look["legs"], 0.78 if dark else 1.0)
    r = LIMB_R * look["build"]
    c.outlined_capsule(j["hip"], j[side + "_knee"], r + 1, k)
    c.outlined_capsule(j[side + "_knee"], j[side + "_ankle"], r, k)
    shoe = shade(look["shoe"], 0.8 if dark else 1.0)
    c.outlined_capsule(j[side + "_ankle"], j[side + "_toe"], 5.5, shoe)
    trim = shade(look["shoe_trim"], 0.8 if dark else 1.0)
    mid = ((j[side + "_ankle"][0] + j[side + "_toe"][0]) / 2,
           (j[side + "_ankle"][1] + j[side + "_toe"][1]) / 2)
    c.capsule(j[side + "_ankle"], mid, 2.2, trim)


def draw_arm(c, j, side, look, dark, fist):
    f = 0.78 if dark else 1.0
    skin = shade(look["skin"], f)
    sleeve = shade(look["top"], f) if look["sleeves"] else skin
    r = ARM_R * look["build"]
    c.outlined_capsule(j["shoulder"], j[side + "_elbow"], r + 0.5, sleeve)
    c.outlined_capsule(j[side + "_elbow"], j[side + "_hand"], r, sleeve)
    if look["sleeves"]:
        # Cuff band just above the hand.
        c.capsule(along(j[side + "_hand"], 0, 0), j[side + "_hand"], r, shade(look["top_trim"], f))
    hand_r = 7.5 if fist else 5.8
    c.outlined_disc(j[side + "_hand"], hand_r, skin)
    if fist:
        # Knuckle creases make a clenched fist read as such.
        h = j[side + "_hand"]
        for d in (-3, 0, 3):
            c.capsule((h[0] + 2, h[1] + d), (h[0] + 5, h[1] + d), 0.5, shade(look["skin"], 0.6 * f))


def draw_torso(c, j, look):
    hip, sh = j["hip"], j["shoulder"]
    dx, dy = sh[0] - hip[0], sh[1] - hip[1]
    n = math.hypot(dx, dy)
    px, py = -dy / n, dx / n  # unit normal of the torso axis
    b = look["build"]
    hw, sw = 15 * b, 19 * b

    def quad(h, s, grow):
        return [(hip[0] + px * (h + grow), hip[1] + py * (h + grow)),
                (sh[0] + px * (s + grow), sh[1] + py * (s + grow)),
                (sh[0] - px * (s + grow), sh[1] - py * (s + grow)),
                (hip[0] - px * (h + grow), hip[1] - py * (h + grow))]

    c.polygon(quad(hw, sw, OUT), OUTLINE)
    c.disc(sh, sw + OUT, OUTLINE)
    c.disc(hip, hw + OUT, OUTLINE)
    top = rgba(look["top"])
    c.polygon(quad(hw, sw, 0), top)
    c.disc(sh, sw, top)
    # Trousers cover the lowest part of the torso.
    c.disc(hip, hw, rgba(look["legs"]))
    waist = (hip[0] + dx * 0.18, hip[1] + dy * 0.18)
    c.capsule((waist[0] + px * hw, waist[1] + py * hw), (waist[0] - px * hw, waist[1] - py * hw),
              2.6, rgba(look["belt"] or look["top_trim"]))
    if look["sleeves"]:
        # Hoodie pocket and drawstring.
        pk = (hip[0] + dx * 0.38, hip[1] + dy * 0.38)
        c.capsule((pk[0] + px * 8, pk[1] + py * 8), (pk[0] - px * 8, pk[1] - py * 8), 3.2,
                  shade(look["top"], 0.8))
        neck = (sh[0] + dx * 0.05, sh[1] + dy * 0.05)
        c.capsule(neck, (neck[0] - dx * 0.25, neck[1] - dy * 0.25), 1.2, rgba(look["top_trim"]))
    else:
        # Vest opening down the front.
        c.capsule((sh[0] - dx * 0.02, sh[1] - dy * 0.02), (hip[0] + dx * 0.3, hip[1] + dy * 0.3),
                  1.4, rgba(look["top_trim"]))


def draw_head(c, j, pose, look):
    h = j["head"]
    # Forward direction of the face, rotated with the body.
    fwd = (math.cos(math.radians(pose.rotate)), math.sin(math.radians(pose.rotate)))
    up = (math.sin(math.radians(pose.rotate)), -math.cos(math.radians(pose.rotate)))

    def at(f, u):
        return (h[0] + fwd[0] * f + up[0] * u, h[1] + fwd[1] * f + up[1] * u)

    c.capsule(j["shoulder"], j["neck"], 6, OUTLINE)
    c.capsule(j["shoulder"], j["neck"], 4.6, rgba(look["skin"]))
    if look["ponytail"]:
        c.outlined_capsule(at(-HEAD_R * 0.9, HEAD_R * 0.3), at(-HEAD_R * 1.6, -HEAD_R * 0.6), 5.5,
                           rgba(look["hair"]))
    c.outlined_disc(h, HEAD_R, rgba(look["skin"]))
    # Nose on the front side.
    c.outlined_disc(at(HEAD_R * 0.95, -2), 3.4, rgba(look["skin"]))
    c.disc(at(HEAD_R * 0.8, -2), 3.4, rgba(look["skin"]))
    hair = rgba(look["hair"])
    if look["bandana"]:
        # Short cropped hair at the back, bandana across the brow with its knot at the back.
        c.disc(at(-HEAD_R * 0.35, HEAD_R * 0.35), HEAD_R * 0.75, hair)
        band = rgba(look["bandana"])
        c.capsule(at(-HEAD_R * 0.9, HEAD_R * 0.35), at(HEAD_R * 0.8, HEAD_R * 0.45), 4.2, band)
        c.capsule(at(-HEAD_R * 1.0, HEAD_R * 0.3), at(-HEAD_R * 1.55, -HEAD_R * 0.2), 2.6, band)
        c.capsule(at(-HEAD_R * 1.0, HEAD_R * 0.3), at(-HEAD_R * 1.45, HEAD_R * 0.05), 2.6, band)
        # Stubble beard along the jaw.
        c.capsule(at(-HEAD_R * 0.2, -HEAD_R * 0.55), at(HEAD_R * 0.55, -HEAD_R * 0.7), 3.8,
                  shade(look["hair"], 1.6))
    else:
        c.disc(at(-HEAD_R * 0.25, HEAD_R * 0.4), HEAD_R * 0.82, hair)
        c.capsule(at(-HEAD_R * 0.9, HEAD_R * 0.1), at(HEAD_R * 0.55, HEAD_R * 0.78), 4.5, hair)
    eye = at(HEAD_R * 0.48, HEAD_R * 0.12)
    if pose.face == "dead":
        for s in (1, -1):
            c.capsule((eye[0] - 3, eye[1] - 3 * s), (eye[0] + 3, eye[1] + 3 * s), 0.9, OUTLINE)
        c.capsule(at(HEAD_R * 0.45, -HEAD_R * 0.45), at(HEAD_R * 0.8, -HEAD_R * 0.4), 1.0, OUTLINE)
    elif pose.face == "hurt":
        # Squeezed-shut eye and an open mouth.
        c.capsule(at(HEAD_R * 0.3, HEAD_R * 0.2), at(HEAD_R * 0.65, HEAD_R * 0.05), 0.9, OUTLINE)
        c.capsule(at(HEAD_R * 0.3, HEAD_R * 0.0), at(HEAD_R * 0.65, HEAD_R * 0.05), 0.9, OUTLINE)
        c.disc(at(HEAD_R * 0.62, -HEAD_R * 0.5), 3.0, (120, 20, 30, 255))
    else:
        c.disc(eye, 2.3, OUTLINE)
        brow_in = 0.3 if pose.face == "fierce" else 0.0
        c.capsule(at(HEAD_R * 0.3, HEAD_R * 0.32), at(HEAD_R * 0.7, HEAD_R * (0.32 - brow_in)), 1.0,
                  OUTLINE)
        c.capsule(at(HEAD_R * 0.5, -HEAD_R * 0.5), at(HEAD_R * 0.8, -HEAD_R * 0.47), 0.9, OUTLINE)


def render(pose, look, size, hip_x, label, ground=None, extras=None):
    """Draws a pose facing right into an image of 'size', hip at x = hip_x, lowest point on the
    bottom row (or the hip at height 'ground' when given)."""
    x0, y0, x1, y1 = extent(pose, look)
    hip_y = (size[1] - 1.5) - y1 if ground is None else ground
    c = Canvas(size)
    j = skeleton(pose, look, (hip_x, hip_y))
    if extras:
        extras(c, j, "back")
    draw_arm(c, j, "far", look, True, pose.far_fist)
    draw_leg(c, j, "far", look, True)
    draw_torso(c, j, look)
    draw_leg(c, j, "near", look, False)
    draw_head(c, j, pose, look)
    draw_arm(c, j, "near", look, False, pose.near_fist)
    if extras:
        extras(c, j, "front")
    image = c.finish()
    # The fit above is conservative; drop the figure until its lowest ink sits on the bottom row,
    # where the game puts the fighter's ground line.
    solid = image.getchannel("A").point(lambda a: 255 if a > 24 else 0).getbbox()
    drop = size[1] - solid[3]
    if drop > 0:
        moved = Image.new("RGBA", size, (0, 0, 0, 0))
        moved.paste(image, (0, drop))
        image = moved
    # Ink on the top, left or right edge means part of the figure was cut off.
    alpha = image.getchannel("A")
    w, h = size
    edges = [alpha.crop(box).getextrema()[1] for box in
             ((0, 0, w, 1), (0, 0, 1, h), (w - 1, 0, w, h))]
    if max(edges) > 24:  # faint resampling fringe is harmless
        print("warning: %s touches the edge of its %dx%d image (top, left, right: %s)"
              % (label, w, h, edges))
    return image


def walk_pose(frame):
    """Frame 1-6 of the walk cycle; frame 1 is also the idle stance."""
    t = (frame - 1) / 6.0 * 2 * math.pi
    swing = 17 * math.sin(t)
    near_thigh, far_thigh = swing, -swing
    # The leg swinging forward bends its knee; the planted leg stays nearly straight.
    near_bend = 26 * max(0.0, math.cos(t)) + 4
    far_bend = 26 * max(0.0, -math.cos(t)) + 4
    return Pose(lean=4,
                near_leg=(near_thigh, near_thigh - near_bend),
                far_leg=(far_thigh, far_thigh - far_bend),
                near_arm=(-14 * math.sin(t), -14 * math.sin(t) + 24),
                far_arm=(14 * math.sin(t), 14 * math.sin(t) + 24))


POSES = {
    # Deep squat with the guard up: knees up in front, hips down near the heels.
    "crouch": Pose(lean=26, head_tilt=-16,
                   near_leg=(100, -25), far_leg=(94, -32), near_foot=90, far_foot=90,
                   near_arm=(35, 168), far_arm=(25, 160), near_fist=True, far_fist=True,
                   face="fierce"),
    # Lunge with the near arm straight out at shoulder height, the far fist at the chin.
    "punch": Pose(lean=12, near_leg=(26, 10), far_leg=(-26, -32),
                  near_arm=(86, 90), far_arm=(30, 165), near_fist=True, far_fist=True,
                  face="fierce"),
    # Side kick: standing leg straight, kicking leg out level with the hip, sole forward.
    "kick": Pose(lean=-15, head_tilt=10, near_leg=(76, 82), far_leg=(-6, -8), near_foot=170,
                 far_foot=90, near_arm=(-20, 30), far_arm=(60, 140), near_fist=True,
                 far_fist=True, face="fierce"),
    # Knee strike, narrow enough for a standing-sized image.
    "knee": Pose(lean=-8, near_leg=(64, -18), far_leg=(-4, -6), near_foot=100, far_foot=90,
                 near_arm=(30, 150), far_arm=(5, 60), near_fist=True, far_fist=True,
                 face="fierce"),
    # Recoil: thrown back from the waist, one arm flinching up, the other flung back.
    "hurt": Pose(lean=-18, head_tilt=-25, near_leg=(-16, -6), far_leg=(12, -10),
                 near_arm=(60, 175), far_arm=(-35, -10), face="hurt"),
    # Flat on the back (the body turned a quarter about the hip), one knee up, eyes crossed out.
    "dead": Pose(lean=0, near_leg=(42, -12), far_leg=(4, 4), near_foot=90, far_foot=90,
                 near_arm=(40, 12), far_arm=(12, 4), face="dead", rotate=-90),
}


def hurt_marks(c, j, layer):
    """Impact burst in front of the recoiling fighter."""
    if layer != "front":
        return
    cx, cy = min(j["shoulder"][0] + 34, 106), j["shoulder"][1] + 26
    for i in range(8):
        a = i * math.pi / 4 + 0.3
        r0, r1 = 4, 12 if i % 2 else 8
        c.capsule((cx + r0 * math.cos(a), cy + r0 * math.sin(a)),
                  (cx + r1 * math.cos(a), cy + r1 * math.sin(a)), 1.3, (255, 215, 40, 255))


def motion_lines(target):
    """Speed lines trailing the striking hand or foot."""
    def extras(c, j, layer):
        if layer != "front":
            return
        x, y = j[target]
        for d in (-16, -10, 10, 16):
            c.capsule((x - 46 + abs(d) * 2, y + d), (x - 16, y + d), 1.2, (255, 255, 255, 230))
    return extras


def dead_stars(c, j, layer):
    if layer != "front":
        return
    h = j["head"]
    for i, dx in enumerate((-14, 0, 14)):
        x, y = h[0] + dx, h[1] - HEAD_R - 10 - (i % 2) * 5
        for k in range(4):
            a = k * math.pi / 4
            c.capsule((x - 4 * math.cos(a), y - 4 * math.sin(a)),
                      (x + 4 * math.cos(a), y + 4 * math.sin(a)), 1.0, (255, 220, 60, 255))


def save_pair(image_right, pattern, out):
    """Writes the right-facing image and its mirror; pattern holds {facing} (left or right)."""
    for facing, img in (("right", image_right),
                        ("left", image_right.transpose(Image.FLIP_LEFT_RIGHT))):
        path = os.path.join(out, "images", pattern.format(facing=facing))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        img.save(path, optimize=True)


def fighter_images(look, enemy, out):
    who = "enemy/" if enemy else ""
    for frame in range(1, 7):
        img = render(walk_pose(frame), look, STAND, STAND[0] / 2 + 3, who + "walk %d" % frame)
        save_pair(img, "walk/" + who + "{facing}/%d.png" % frame, out)
    pairs = [("crouch", CROUCH, 34, None, POSES["crouch"]),
             ("punch", PUNCH, 78, motion_lines("near_hand"), POSES["punch"]),
             ("hurt", STAND, 84, hurt_marks, POSES["hurt"])]
    if enemy:
        pairs.append(("kick", STAND, 48, None, POSES["knee"]))
    else:
        pairs.append(("kick", KICK, 64, motion_lines("near_ankle"), POSES["kick"]))
        pairs.append(("dead", DEAD, 133, dead_stars, POSES["dead"]))
    for name, size, hip_x, extras, pose in pairs:
        img = render(pose, look, size, hip_x, who + name, extras=extras)
        save_pair(img, name + "/" + who + "{facing}.png", out)


def write_black_pixel(path):
    """A 1x1 24-bit uncompressed BMP: 14-byte file header, 40-byte info header, one row of
    3 bytes padded to 4."""
    pixels = bytes([0, 0, 0, 0])
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, 1, 1, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(root, "data", "Kestra"))
    args = parser.parse_args()
    fighter_images(PLAYER, False, args.out)
    fighter_images(ENEMY, True, args.out)
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import make_background
    make_background.draw(BACKGROUND).save(os.path.join(args.out, "images", "bg.png"),
                                          optimize=True)
    write_black_pixel(os.path.join(args.out, "blackpixel.bmp"))


if __name__ == "__main__":
    main()
