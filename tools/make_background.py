"""The street backdrop behind the fighters: a row of small shops seen side-on over a wide
pavement. Used by make_sprites.py.

The game shows this image over the upper part of the screen; the fighters' feet land on the
pavement band (image rows ~240-475) and the budget and price texts are drawn in black, green and
red over the shop fronts at the left, so that area keeps light colours.
"""
import random

from PIL import Image, ImageDraw

SS = 2

OUTLINE = (60, 52, 58)


def draw(size):
    w, h = size
    rng = random.Random(7)
    img = Image.new("RGB", (w * SS, h * SS), (200, 225, 240))
    d = ImageDraw.Draw(img)

    def rect(x0, y0, x1, y1, fill, outline=None, width=1):
        d.rectangle((x0 * SS, y0 * SS, x1 * SS, y1 * SS), fill=fill,
                    outline=outline, width=width * SS if outline else 0)

    def poly(points, fill):
        d.polygon([(x * SS, y * SS) for x, y in points], fill=fill)

    def ellipse(x0, y0, x1, y1, fill):
        d.ellipse((x0 * SS, y0 * SS, x1 * SS, y1 * SS), fill=fill)

    # Sky: a soft vertical gradient with a few clouds.
    for y in range(60):
        t = y / 60
        c = (int(150 + 70 * t), int(200 + 30 * t), int(240 + 8 * t))
        rect(0, y, w, y + 1, c)
    for cx, cy in ((160, 18), (560, 30), (1010, 14)):
        for dx, dy, r in ((0, 0, 14), (16, -5, 16), (34, 0, 13), (18, 5, 13)):
            ellipse(cx + dx - r, cy + dy - r, cx + dx + r, cy + dy + r, (250, 252, 255))

    ground = 232  # foot of the shop fronts
    facades = [(222, 214, 190), (246, 226, 200), (214, 232, 214), (240, 210, 214),
               (226, 222, 240), (250, 236, 190), (216, 228, 236)]
    awnings = [((200, 60, 60), (250, 245, 235)), ((40, 120, 160), (245, 245, 240)),
               ((60, 140, 80), (245, 240, 220)), ((220, 140, 40), (250, 245, 230)),
               ((130, 70, 150), (245, 240, 245)), ((200, 60, 60), (250, 245, 235)),
               ((40, 120, 160), (245, 245, 240))]
    x = -20
    shop = 0
    while x < w:
        bw = rng.choice((170, 190, 210, 230))
        top = rng.choice((14, 26, 40, 8))
        facade = facades[shop % len(facades)]
        rect(x, top, x + bw, ground, facade, OUTLINE, 1)
        # Cornice.
        rect(x - 4, top, x + bw + 4, top + 8, tuple(int(c * 0.85) for c in facade), OUTLINE, 1)
        # Upper-floor windows with pale glass and sills.
        cols = bw // 56
        gap = (bw - cols * 34) / (cols + 1)
        for i in range(cols):
            wx = x + gap + i * (34 + gap)
            rect(wx, top + 24, wx + 34, top + 70, (214, 232, 244), OUTLINE, 1)
            rect(wx + 16, top + 24, wx + 18, top + 70, OUTLINE)
            rect(wx - 3, top + 70, wx + 37, top + 74, (250, 250, 250), OUTLINE, 1)
        # Shop sign board with a pictogram of what is sold.
        sy = 118
        rect(x + 14, sy - 22, x + bw - 14, sy - 2, (248, 242, 226), OUTLINE, 1)
        icon_x = x + bw / 2
        kind = shop % 4
        if kind == 0:    # bakery: a loaf
            ellipse(icon_x - 16, sy - 18, icon_x + 16, sy - 6, (230, 170, 90))
            for k in (-8, 0, 8):
                rect(icon_x + k - 1, sy - 16, icon_x + k + 1, sy - 9, (170, 110, 50))
        elif kind == 1:  # books: three spines
            for k, col in ((-12, (210, 70, 70)), (-2, (80, 150, 210)), (8, (240, 200, 60))):
                rect(icon_x + k, sy - 19, icon_x + k + 8, sy - 5, col)
        elif kind == 2:  # cafe: a cup
            rect(icon_x - 9, sy - 17, icon_x + 7, sy - 6, (120, 80, 60))
            ellipse(icon_x + 4, sy - 15, icon_x + 12, sy - 8, (120, 80, 60))
            ellipse(icon_x + 6, sy - 13, icon_x + 10, sy - 10, (248, 242, 226))
        else:            # flowers
            for k, col in ((-12, (240, 90, 120)), (0, (250, 220, 60)), (12, (240, 130, 60))):
                ellipse(icon_x + k - 5, sy - 19, icon_x + k + 5, sy - 9, col)
                rect(icon_x + k - 1, sy - 10, icon_x + k + 1, sy - 5, (60, 140, 60))
        # Striped awning.
        # Pastel stripes: prices and damages float over the awnings in green and red.
        a1, a2 = (tuple(int(c + (255 - c) * 0.45) for c in a)
                  for a in awnings[shop % len(awnings)])
        stripes = 10
        sw = (bw - 8) / stripes
        for i in range(stripes):
            col = a1 if i % 2 == 0 else a2
            sx = x + 4 + i * sw
            poly([(sx, sy + 2), (sx + sw, sy + 2), (sx + sw + 3, sy + 24), (sx + 3, sy + 24)],
                 col)
            ellipse(sx + 3, sy + 18, sx + sw + 3, sy + 30, col)
        rect(x + 4, sy, x + bw - 4, sy + 3, OUTLINE)
        # Display window and door.
        door_left = rng.random() < 0.5
        dw = 34
        dx = x + 16 if door_left else x + bw - 16 - dw
        rect(dx, sy + 40, dx + dw, ground, (120, 80, 60), OUTLINE, 1)
        rect(dx + 6, sy + 48, dx + dw - 6, sy + 80, (200, 224, 236))
        ellipse(dx + dw - 9, sy + 84, dx + dw - 5, sy + 88, (240, 200, 80))
        wx0 = x + 16 + (dw + 12 if door_left else 0)
        wx1 = wx0 + bw - 32 - dw - 12
        rect(wx0, sy + 40, wx1, ground - 14, (205, 228, 240), OUTLINE, 1)
        # Reflections on the glass.
        for k in (0.2, 0.55):
            rx = wx0 + (wx1 - wx0) * k
            poly([(rx, sy + 42), (rx + 14, sy + 42), (rx - 6, ground - 16), (rx - 20, ground - 16)],
                 (228, 242, 250))
        rect(x, ground - 14, x + bw, ground, tuple(int(c * 0.8) for c in facade), OUTLINE, 1)
        x += bw
        shop += 1

    # Pavement: slabs in light grey, joints slanting slightly to suggest depth.
    kerb = 478
    rect(0, ground, w, kerb, (196, 194, 188))
    rows = [ground, 262, 300, 348, 406, kerb]
    for y in rows[1:-1]:
        rect(0, y, w, y + 1, (170, 168, 162))
    for i, (y0, y1) in enumerate(zip(rows, rows[1:])):
        step = 60 + i * 18
        offset = (i % 2) * step / 2
        for xx in range(-step, w + step, step):
            xa = xx + offset + (y0 - ground) * 0.4
            xb = xx + offset + (y1 - ground) * 0.4
            d.line([(xa * SS, y0 * SS), (xb * SS, y1 * SS)], fill=(170, 168, 162), width=SS)
    rect(0, ground, w, ground + 3, (150, 148, 142))
    # A soft shadow along the shop fronts and a few darker slabs break up the plain paving.
    for k in range(10):
        rect(0, ground + 3 + k, w, ground + 4 + k, (150 + k * 4, 148 + k * 4, 142 + k * 4))
    for i in range(14):
        sx = rng.randrange(0, w - 60)
        row = rng.randrange(1, len(rows) - 1)
        y0, y1 = rows[row], rows[row + 1]
        poly([(sx + (y0 - ground) * 0.4 + 1, y0 + 1), (sx + 60 + (y0 - ground) * 0.4, y0 + 1),
              (sx + 60 + (y1 - ground) * 0.4, y1), (sx + (y1 - ground) * 0.4 + 1, y1)],
             (188, 186, 180))
    # Kerb and road.
    rect(0, kerb, w, kerb + 8, (226, 224, 218))
    rect(0, kerb + 8, w, h, (80, 82, 88))
    for xx in range(20, w, 140):
        rect(xx, h - 6, xx + 70, h - 3, (240, 240, 236))

    # Street furniture standing at the foot of the shop fronts.
    for lx in (300, 930):
        rect(lx - 3, 70, lx + 3, ground + 6, (50, 56, 60))
        rect(lx - 12, ground, lx + 12, ground + 8, (50, 56, 60))
        rect(lx, 72, lx + 26, 76, (50, 56, 60))
        poly([(lx + 16, 76), (lx + 36, 76), (lx + 32, 90), (lx + 20, 90)], (50, 56, 60))
        ellipse(lx + 20, 86, lx + 32, 96, (255, 236, 150))
    for tx in (620, 1180):
        rect(tx - 20, ground - 30, tx + 20, ground + 4, (150, 90, 60), OUTLINE, 1)
        rect(tx - 3, ground - 70, tx + 3, ground - 30, (110, 80, 50))
        for dx, dy, r in ((0, -100, 30), (-22, -82, 22), (22, -84, 22), (0, -70, 24)):
            ellipse(tx + dx - r, ground + dy - r, tx + dx + r, ground + dy + r, (90, 160, 80))
        for dx, dy in ((-10, -104), (12, -92), (-2, -80)):
            ellipse(tx + dx - 4, ground + dy - 4, tx + dx + 4, ground + dy + 4, (120, 190, 100))

    return img.resize(size, Image.LANCZOS).convert("RGBA")
