#!/usr/bin/python3
"""Generates the editor's artwork (the editor layout's image table) into resources/img/.

Uses only Debian's python3-pil and the free fonts of fonts-dejavu-core and fonts-liberation.
Run from anywhere (the panel's grain is random noise, so each run differs slightly):
    /usr/bin/python3 tools/artwork/make_artwork.py
"""
import math
import os
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
OUT = os.path.join(ROOT, "resources", "img")
FONTS = "/usr/share/fonts/truetype"
TITLE_FONT = os.path.join(FONTS, "dejavu", "DejaVuSerif-Bold.ttf")
LABEL_FONT = os.path.join(FONTS, "liberation", "LiberationSans-Bold.ttf")
SWITCH_FONT = os.path.join(FONTS, "dejavu", "DejaVuSans-Bold.ttf")

W, H = 454, 296
CREAM = (226, 214, 186)
AMBER = (255, 176, 64)

# The editor layout: knob centres and image radii, slider tracks, switch rectangles.
KNOBS = [(67, 165, 33, "AMOUNT"), (169, 163, 29, "GAIN"), (246, 163, 29, "THRESHOLD"),
         (324, 163, 29, "FLIP THRESH"), (398, 163, 29, "MULTIPLY")]
SLIDERS = [(129, 225, 243, "ROUND"), (234, 330, 243, "PAN"), (340, 436, 243, "MIX")]
SWITCHES = [((16, 85, 121, 101), "ALGORITHM"), ((196, 84, 249, 100), "FOLDBACK"),
            ((43, 244, 91, 260), "ANTIALIAS")]
SS = 4  # supersampling factor for the drawn shapes


def font(path, size):
    return ImageFont.truetype(path, size)


def text_centered(draw, cx, top, text, fnt, fill, spacing=0):
    """Draws text centred on cx with its ink starting at row top; returns its ink box."""
    if spacing:
        widths = [draw.textlength(ch, font=fnt) for ch in text]
        total = sum(widths) + spacing * (len(text) - 1)
        x = cx - total / 2
        box = draw.textbbox((0, 0), text, font=fnt)
        y = top - box[1]
        for ch, cw in zip(text, widths):
            draw.text((x, y), ch, font=fnt, fill=fill)
            x += cw + spacing
        return (cx - total / 2, top, cx + total / 2, top + box[3] - box[1])
    box = draw.textbbox((0, 0), text, font=fnt)
    x = cx - (box[2] - box[0]) / 2 - box[0]
    y = top - box[1]
    draw.text((x, y), text, font=fnt, fill=fill)
    return (x + box[0], top, x + box[2], top + box[3] - box[1])


def panel():
    rnd = random.Random(1966)
    base = Image.new("RGB", (W, H), (30, 30, 34))
    # Grain: fine noise, then horizontal brushing (a stretched blur of coarser noise).
    noise = Image.effect_noise((W, H), 18).convert("RGB")
    base = ImageChops.add(base, ImageChops.multiply(noise, Image.new("RGB", (W, H), (40, 40, 44))), 1.0, -14)
    streaks = Image.effect_noise((W // 8 + 1, H), 40).resize((W, H), Image.BICUBIC)
    streaks = streaks.filter(ImageFilter.BoxBlur(1)).convert("RGB")
    base = ImageChops.add(base, ImageChops.multiply(streaks, Image.new("RGB", (W, H), (22, 22, 26))), 1.0, -9)
    # Vignette: darker toward the edges.
    vignette = Image.new("L", (W, H), 0)
    vd = ImageDraw.Draw(vignette)
    vd.ellipse((-80, -90, W + 80, H + 90), fill=255)
    vignette = vignette.filter(ImageFilter.GaussianBlur(40))
    base = Image.composite(base, ImageChops.multiply(base, Image.new("RGB", (W, H), (150, 150, 150))), vignette)

    d = ImageDraw.Draw(base)
    # Bevelled outer edge and an inset border line.
    d.rectangle((0, 0, W - 1, H - 1), outline=(70, 70, 76))
    d.line((1, 1, W - 2, 1), fill=(92, 92, 98))
    d.line((1, 1, 1, H - 2), fill=(80, 80, 86))
    d.line((1, H - 2, W - 2, H - 2), fill=(12, 12, 14))
    d.line((W - 2, 1, W - 2, H - 2), fill=(14, 14, 16))
    d.rounded_rectangle((7, 7, W - 8, H - 8), radius=6, outline=(58, 56, 52))
    # Section grooves: the title strip and the slider strip.
    for y in (65, 226):
        d.line((12, y, W - 13, y), fill=(14, 14, 16))
        d.line((12, y + 1, W - 13, y + 1), fill=(64, 64, 68))
    # Four screws in the corners.
    for (sx, sy) in ((16, 16), (W - 17, 16), (16, H - 17), (W - 17, H - 17)):
        d.ellipse((sx - 5, sy - 5, sx + 5, sy + 5), fill=(88, 88, 92), outline=(20, 20, 22))
        a = rnd.uniform(0, math.pi)
        dx, dy = 4 * math.cos(a), 4 * math.sin(a)
        d.line((sx - dx, sy - dy, sx + dx, sy + dy), fill=(30, 30, 32), width=2)

    # Title in (131, 15)-(323, 62): engraved serif, shadow below, cream face.
    title = font(TITLE_FONT, 36)
    box = d.textbbox((0, 0), "Ruckstone", font=title)
    tw, th = box[2] - box[0], box[3] - box[1]
    tx = 131 + (192 - tw) / 2 - box[0]
    ty = 15 + (47 - th) / 2 - box[1]
    d.text((tx + 1, ty + 2), "Ruckstone", font=title, fill=(8, 8, 10))
    d.text((tx, ty), "Ruckstone", font=title, fill=CREAM)

    label = font(LABEL_FONT, 10)
    # Knobs: a recessed well, a 300-degree scale of ticks, the label above.
    for (cx, cy, r, name) in KNOBS:
        d.ellipse((cx - r - 3, cy - r - 3, cx + r + 3, cy + r + 3), fill=(16, 16, 18))
        d.ellipse((cx - r - 2, cy - r - 2, cx + r + 2, cy + r + 2), outline=(50, 50, 54))
        for i in range(11):
            ang = math.radians(-150 + 30 * i)
            inner, outer = r + 4, r + (8 if i in (0, 5, 10) else 6)
            sx, sy = math.sin(ang), -math.cos(ang)
            d.line((cx + inner * sx, cy + inner * sy, cx + outer * sx, cy + outer * sy),
                   fill=CREAM if i in (0, 5, 10) else (150, 142, 126), width=1)
        text_centered(d, cx, cy - r - 22, name, label, CREAM)
    # Sliders: a groove along the 96-pixel track at the handle's middle row, label above.
    for (left, right, top, name) in SLIDERS:
        mid = top + 8
        d.rounded_rectangle((left, mid - 3, right - 1, mid + 2), radius=2, fill=(10, 10, 12), outline=(56, 56, 60))
        for i in range(5):
            x = left + 8 + i * 20
            d.line((x, mid + 6, x, mid + 8), fill=(120, 114, 100))
        text_centered(d, (left + right) / 2, top - 14, name, label, CREAM)
    # Switches: a bezel round the frame window, label above.
    for ((l, t, r, b), name) in SWITCHES:
        d.rounded_rectangle((l - 3, t - 3, r + 2, b + 2), radius=3, fill=(12, 12, 14), outline=(66, 66, 70))
        text_centered(d, (l + r) / 2, t - 15, name, label, CREAM)
    return base


def knob(size, seed):
    rnd = random.Random(seed)
    big = size * SS
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    c = big / 2
    r = big / 2 - SS * 1.0
    # Knurled skirt: alternating ridges round the rim.
    ridges = 36
    for i in range(ridges * 2):
        a0 = 2 * math.pi * i / (ridges * 2)
        a1 = 2 * math.pi * (i + 1) / (ridges * 2)
        shade = 58 if i % 2 == 0 else 34
        d.pieslice((c - r, c - r, c + r, c + r), math.degrees(a0), math.degrees(a1), fill=(shade, shade, shade + 3, 255))
    # Cap: a radial gradient of dark satin metal, lit from the top left.
    cap = r * 0.80
    for k in range(int(cap), 0, -1):
        t = k / cap
        v = int(30 + 40 * (1 - t) ** 0.7)
        ox = -(1 - t) * cap * 0.25
        d.ellipse((c + ox - k, c + ox - k, c + ox + k, c + ox + k), fill=(v, v, v + 4, 255))
    d.ellipse((c - cap, c - cap, c + cap, c + cap), outline=(90, 90, 96, 255), width=SS)
    # Pointer: a bright line from near the centre to the rim, pointing up at rotation 0.
    pw = SS * (2.6 if size > 60 else 2.3)
    d.line((c, c - cap * 0.30, c, c - r + SS * 1.5), fill=(250, 236, 200, 255), width=int(pw))
    d.ellipse((c - pw / 2, c - r + SS * 1.5 - pw / 2, c + pw / 2, c - r + SS * 1.5 + pw / 2), fill=(250, 236, 200, 255))
    # Soft specular highlight on the cap, top left.
    hl = Image.new("L", (big, big), 0)
    ImageDraw.Draw(hl).ellipse((c - cap * 0.7, c - cap * 0.8, c + cap * 0.1, c - cap * 0.1), fill=60)
    hl = hl.filter(ImageFilter.GaussianBlur(SS * 3))
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).ellipse((c - cap, c - cap, c + cap, c + cap), fill=255)
    hl = ImageChops.multiply(hl, mask)
    white = Image.new("RGBA", (big, big), (255, 255, 255, 255))
    img = Image.composite(Image.alpha_composite(img, Image.merge("RGBA", (*white.split()[:3], hl))), img, mask)
    _ = rnd
    return img.resize((size, size), Image.LANCZOS)


def slider_handle():
    big = 16 * SS
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((SS * 1, SS * 1, big - SS * 1 - 1, big - SS * 1 - 1), radius=SS * 3,
                        fill=(196, 190, 176, 255), outline=(40, 38, 34, 255), width=SS)
    d.rounded_rectangle((SS * 2, SS * 2, big - SS * 2 - 1, big // 2), radius=SS * 2, fill=(226, 220, 206, 255))
    for x in (6, 8, 10):
        d.line((SS * x, SS * 4, SS * x, SS * 12), fill=(70, 66, 58, 255), width=SS)
    return img.resize((16, 16), Image.LANCZOS)


def switch_strip(width, texts):
    """One 16-row frame per state: a dark display window with the state's text, lit amber
    when the state is on, dim when it is Off."""
    frames = len(texts)
    img = Image.new("RGBA", (width, 16 * frames), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.fontmode = "1"  # crisp, unsmoothed text
    fnt = font(SWITCH_FONT, 10)
    for i, text in enumerate(texts):
        top = 16 * i
        on = i > 0
        # Rounded corners: the frame's corner pixels stay transparent.
        d.rounded_rectangle((0, top, width - 1, top + 15), radius=3, fill=(8, 8, 9, 255),
                            outline=(54, 54, 58, 255))
        d.line((3, top + 1, width - 4, top + 1), fill=(24, 24, 26, 255))
        # A status dot at the left, lit when on.
        d.ellipse((3, top + 5, 7, top + 9), fill=(255, 96, 32, 255) if on else (46, 30, 26, 255))
        box = d.textbbox((0, 0), text, font=fnt)
        tw = box[2] - box[0]
        x = 9 + (width - 11 - tw) // 2 - box[0]
        y = top + 3 - box[1] + (10 - (box[3] - box[1])) // 2
        d.text((x, y), text, font=fnt, fill=AMBER + (255,) if on else (120, 116, 108, 255))
    return img


def main():
    os.makedirs(OUT, exist_ok=True)
    images = {
        "bg.png": panel(),
        "knob.png": knob(66, 1),
        "knob2.png": knob(58, 2),
        "slider.png": slider_handle(),
        "select1.png": switch_strip(105, ["Off", "Overdrive Fat", "Overdrive Weak", "Decimator"]),
        "select2.png": switch_strip(53, ["Off", "Before", "After"]),
        "select3.png": switch_strip(48, ["Off", "x2", ",x2+", "x3"]),
    }
    for name, img in images.items():
        img.save(os.path.join(OUT, name), optimize=True)
        print(name, img.size, img.mode)


if __name__ == "__main__":
    main()
