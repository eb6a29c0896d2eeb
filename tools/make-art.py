#!/usr/bin/python3
"""Draws Plumora's artwork into resources/art/ (or the folder given as the first argument).

Everything is drawn here from shapes and the fonts of the build machine, so the pictures can be
made again at will; the results are committed, so a build never needs Python.

  banner.jpg          BANNER_LEFT     490 x 75  product name in gold on a blue gradient
  banner-stretch.jpg  BANNER_STRETCH    4 x 75  the banner's right edge, stretched by the window
  help.jpg            HELP_PICTURE    214 x 108 the game tree with its popup menu open
  imagelist1.bmp      IMAGELIST1       80 x 16  star, gift box, lightning, fit, real size
  imagelist2.bmp      IMAGELIST2       26 x 26  help button
  plumora.ico         MAINICON         32 x 32, 256 colours
  *.cur               the four splitter cursors and the hand cursor, 32 x 32 monochrome

Run with the system Python (it has PIL): /usr/bin/python3 tools/make-art.py
"""
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MASK = (255, 0, 255)  # image-list mask colour
SCALE = 8             # small icons are drawn this much larger, then reduced

SERIF_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
CJK = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"


def font(path, size):
    try:
        return ImageFont.truetype(path, size)
    except OSError:
        return ImageFont.load_default()


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


# ------------------------------------------------------------------------------------------------
# Banner
# ------------------------------------------------------------------------------------------------
DEEP = (12, 38, 112)
PALE_TOP = (236, 243, 253)
PALE_BOTTOM = (196, 213, 242)
FADE_END = 380  # from here on the banner is the plain pale strip the window stretches


def banner_background(width, height):
    img = Image.new("RGB", (width, height))
    px = img.load()
    for y in range(height):
        pale = lerp(PALE_TOP, PALE_BOTTOM, y / (height - 1))
        deep = lerp((28, 70, 160), DEEP, y / (height - 1))
        for x in range(width):
            t = min(1.0, x / FADE_END)
            t = t * t * (3 - 2 * t)  # smooth step: the deep blue melts into the pale strip
            px[x, y] = lerp(deep, pale, t)
    return img


def gold_text(img, xy, text, face):
    """Gold letters with a dark outline and a soft shadow, the fill shaded top to bottom."""
    w, h = img.size
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).text(xy, text, font=face, fill=255)
    shadow = mask.filter(ImageFilter.GaussianBlur(3)).point(lambda v: v * 0.8)
    img.paste((0, 10, 40), (3, 3), shadow)
    outline = mask.filter(ImageFilter.MaxFilter(3))
    img.paste((90, 55, 0), (0, 0), outline)
    box = mask.getbbox()
    fill = Image.new("RGB", (w, h))
    fpx = fill.load()
    for y in range(h):
        t = 0 if not box else (y - box[1]) / max(1, box[3] - box[1])
        t = max(0.0, min(1.0, t))
        # light gold at the top, a bright band a third down, deep gold at the foot
        if t < 0.35:
            c = lerp((255, 246, 190), (255, 214, 70), t / 0.35)
        else:
            c = lerp((240, 180, 30), (170, 105, 10), (t - 0.35) / 0.65)
        for x in range(w):
            fpx[x, y] = c
    img.paste(fill, (0, 0), mask)


def sparkle(draw, cx, cy, r, colour):
    draw.polygon([(cx, cy - r), (cx + r / 4, cy - r / 4), (cx + r, cy), (cx + r / 4, cy + r / 4),
                  (cx, cy + r), (cx - r / 4, cy + r / 4), (cx - r, cy), (cx - r / 4, cy - r / 4)], fill=colour)


def make_banner():
    w, h = 490, 75
    img = banner_background(w, h)
    draw = ImageDraw.Draw(img)
    # a few faint rings behind the name
    for i, (cx, cy, r) in enumerate([(40, 60, 70), (120, -10, 55), (230, 70, 40)]):
        draw.ellipse([cx - r, cy - r, cx + r, cy + r], outline=(70, 120, 210), width=2)
    for cx, cy, r in [(22, 14, 5), (208, 18, 4), (236, 52, 3), (300, 14, 3), (14, 58, 3)]:
        sparkle(draw, cx, cy, r, (255, 236, 150))
    title = font(SERIF_BOLD, 48)
    gold_text(img, (18, 4), "Plumora", title)
    draw = ImageDraw.Draw(img)
    right = 18 + draw.textlength("Plumora", font=title)
    draw.text((right + 8, 41), "Flash 游戏盒", font=font(CJK, 15), fill=(20, 45, 120))
    # the strip at the right edge must be the same columns as the stretch picture
    return img


# ------------------------------------------------------------------------------------------------
# Small icons: drawn big with anti-aliasing, reduced, then cut against the mask colour
# ------------------------------------------------------------------------------------------------
def canvas(size):
    return Image.new("RGBA", (size * SCALE, size * SCALE), (0, 0, 0, 0))


def reduce_to_mask(img, size):
    small = img.resize((size, size), Image.LANCZOS)
    out = Image.new("RGB", (size, size), MASK)
    sp, op = small.load(), out.load()
    for y in range(size):
        for x in range(size):
            r, g, b, a = sp[x, y]
            if a >= 110:
                c = (r, g, b)
                if c == MASK:
                    c = (254, 0, 254)
                op[x, y] = c
    return out


def S(v):
    return v * SCALE


def star_points(cx, cy, r_out, r_in, n=5, rot=-90):
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def icon_star():
    img = canvas(16)
    d = ImageDraw.Draw(img)
    d.polygon(star_points(S(8), S(8.6), S(7.8), S(3.2)), fill=(150, 95, 0, 255))
    d.polygon(star_points(S(8), S(8.6), S(6.4), S(2.5)), fill=(255, 200, 20, 255))
    d.polygon(star_points(S(7.4), S(7.8), S(2.6), S(1.0)), fill=(255, 245, 170, 255))
    return reduce_to_mask(img, 16)


def icon_gift():
    img = canvas(16)
    d = ImageDraw.Draw(img)
    dark, green, light, red = (0, 90, 20, 255), (40, 170, 60, 255), (120, 220, 120, 255), (215, 20, 30, 255)
    d.rectangle([S(2), S(7), S(14) - 1, S(15) - 1], fill=dark)          # box
    d.rectangle([S(3), S(8), S(13) - 1, S(14) - 1], fill=green)
    d.rectangle([S(1), S(4.5), S(15) - 1, S(7.5) - 1], fill=dark)       # lid
    d.rectangle([S(2), S(5), S(14) - 1, S(7) - 1], fill=light)
    d.rectangle([S(7), S(4.5), S(9) - 1, S(15) - 1], fill=red)          # ribbon
    d.ellipse([S(3.5), S(1), S(8), S(5)], outline=red, width=int(S(1)))       # bow
    d.ellipse([S(8), S(1), S(12.5), S(5)], outline=red, width=int(S(1)))
    return reduce_to_mask(img, 16)


def icon_lightning():
    img = canvas(16)
    d = ImageDraw.Draw(img)
    bolt = [(9.5, 0.5), (3, 9), (7.5, 9), (5.5, 15.5), (13, 6), (8.5, 6), (11, 0.5)]
    d.polygon([(S(x), S(y)) for x, y in bolt], fill=(160, 110, 0, 255))
    inner = [(9.5, 1.8), (4.6, 8.2), (8.7, 8.2), (7.4, 12.8), (11.6, 6.8), (7.4, 6.8), (9.7, 1.8)]
    d.polygon([(S(x), S(y)) for x, y in inner], fill=(255, 230, 30, 255))
    return reduce_to_mask(img, 16)


def icon_fit(outward):
    """A small landscape picture in the middle, an arrow in each corner: pointing out of the
    picture (best fit) or into it (actual size). Drawn pixel by pixel: at 16 x 16 anti-aliased
    diagonals turn to mush."""
    img = Image.new("RGB", (16, 16), MASK)
    px = img.load()
    frame, sky, sun, hill = (40, 60, 120), (140, 200, 250), (255, 210, 40), (40, 150, 50)
    for y in range(4, 12):
        for x in range(4, 12):
            px[x, y] = frame if x in (4, 11) or y in (4, 11) else sky
    px[6, 6] = px[7, 6] = px[6, 7] = px[7, 7] = sun
    for x, top in zip(range(5, 11), (9, 8, 9, 8, 7, 8)):
        for y in range(top, 11):
            px[x, y] = hill
    arrow = (20, 40, 150)
    # one corner's arrow in local coordinates (0..3), mirrored into the four corners
    shaft = [(0, 0), (1, 1), (2, 2), (3, 3)]
    head = [(1, 0), (2, 0), (0, 1), (0, 2)] if outward else [(2, 3), (1, 3), (3, 2), (3, 1)]
    for lx, ly in shaft + head:
        for mx, my in ((0, 0), (1, 0), (0, 1), (1, 1)):
            x = 15 - lx if mx else lx
            y = 15 - ly if my else ly
            px[x, y] = arrow
    return img


def icon_help():
    img = canvas(26)
    d = ImageDraw.Draw(img)
    d.ellipse([S(1), S(1), S(25), S(25)], fill=(20, 50, 140, 255))
    # the ball shades from a light top-left to the deep blue rim
    for i in range(40):
        t = i / 39
        r = S(11.2) * (1 - t * 0.75)
        cx, cy = S(13) - S(2.2) * t, S(13) - S(2.2) * t
        d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=lerp((40, 90, 200), (140, 190, 255), t) + (255,))
    f = font(SANS_BOLD, S(17))
    d.text((S(13), S(13.5)), "?", font=f, fill=(255, 255, 255, 255), anchor="mm")
    return reduce_to_mask(img, 26)


def save_bmp24(img, path):
    img.convert("RGB").save(path, format="BMP")  # PIL writes 24-bit BI_RGB for RGB images


# ------------------------------------------------------------------------------------------------
# Help picture: the tree with its popup menu
# ------------------------------------------------------------------------------------------------
def make_help_picture(icons):
    w, h = 214, 108
    img = Image.new("RGB", (w, h), (255, 255, 255))
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, h - 1], outline=(58, 76, 148))
    f = font(CJK, 12)

    def paste_icon(index, x, y):
        icon = icons.crop((index * 16, 0, index * 16 + 16, 16))
        mask = Image.eval(icon.convert("RGB").split()[0], lambda v: 0)
        pm = icon.load()
        m = mask.load()
        for yy in range(16):
            for xx in range(16):
                m[xx, yy] = 0 if pm[xx, yy] == MASK else 255
        img.paste(icon, (x, y), mask)

    # tree lines as dotted grey, root and five games
    rows = ["^_^ 所有游戏 ^_^", "Bouncing Ball", "Spinning Star", "Little Tank", "Rainbow", "Crème brûlée ☕"]
    y = 3
    for i, text in enumerate(rows):
        indent = 4 if i == 0 else 23
        if i > 0:
            for yy in range(y - 8, y + 8, 2):
                d.point((12, yy), fill=(128, 128, 128))
            for xx in range(12, indent, 2):
                d.point((xx, y + 8), fill=(128, 128, 128))
        paste_icon(0 if i == 0 else 1, indent, y)
        if i == 3:  # the right-pressed game is selected
            tw = d.textlength(text, font=f)
            d.rectangle([indent + 18, y, indent + 18 + tw + 3, y + 15], fill=(10, 36, 106))
            d.text((indent + 20, y + 1), text, font=f, fill=(255, 255, 255))
        else:
            d.text((indent + 20, y + 1), text, font=f, fill=(0, 0, 0))
        y += 17
    # the popup menu, opened at the pointer over "Little Tank"
    mx, my = 104, 62
    mw, mh = 92, 44
    d.rectangle([mx, my, mx + mw - 1, my + mh - 1], fill=(212, 208, 200))
    d.line([(mx, my), (mx + mw - 2, my)], fill=(255, 255, 255))
    d.line([(mx, my), (mx, my + mh - 2)], fill=(255, 255, 255))
    d.line([(mx + mw - 1, my), (mx + mw - 1, my + mh - 1)], fill=(64, 64, 64))
    d.line([(mx, my + mh - 1), (mx + mw - 1, my + mh - 1)], fill=(64, 64, 64))
    d.line([(mx + mw - 2, my + 1), (mx + mw - 2, my + mh - 2)], fill=(128, 128, 128))
    d.line([(mx + 1, my + mh - 2), (mx + mw - 2, my + mh - 2)], fill=(128, 128, 128))
    d.rectangle([mx + 3, my + 3, mx + mw - 4, my + 19], fill=(10, 36, 106))
    d.text((mx + 18, my + 4), "开始游戏", font=f, fill=(255, 255, 255))
    d.line([(mx + 4, my + 22), (mx + mw - 5, my + 22)], fill=(128, 128, 128))
    d.line([(mx + 4, my + 23), (mx + mw - 5, my + 23)], fill=(255, 255, 255))
    d.text((mx + 18, my + 26), "游戏说明", font=f, fill=(0, 0, 0))
    # the mouse pointer that opened it
    arrow = [(0, 0), (0, 13), (3, 10), (6, 16), (8, 15), (5, 9), (9, 9)]
    px, py = mx - 2, my - 4
    d.polygon([(px + x, py + y) for x, y in arrow], fill=(255, 255, 255), outline=(0, 0, 0))
    return img


# ------------------------------------------------------------------------------------------------
# Icon (32 x 32, 8 bits per pixel, written byte by byte: PIL's ICO writer stores PNG or 32-bit)
# ------------------------------------------------------------------------------------------------
def make_icon_picture():
    img = canvas(32)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([S(1), S(1), S(31), S(31)], radius=S(7), fill=(12, 38, 112, 255))
    for i in range(30):
        t = i / 29
        inset = S(2) + t * S(6)
        d.rounded_rectangle([inset, inset, S(32) - inset - S(2) * t, S(32) - inset - S(2) * t],
                            radius=S(6), fill=lerp((30, 80, 180), (90, 150, 235), t) + (255,))
    d.polygon(star_points(S(16), S(17), S(13.5), S(5.6)), fill=(120, 70, 0, 255))
    d.polygon(star_points(S(16), S(17), S(11.8), S(4.8)), fill=(255, 200, 30, 255))
    d.polygon(star_points(S(15), S(15.5), S(5), S(2)), fill=(255, 246, 180, 255))
    return img.resize((32, 32), Image.LANCZOS)


def write_ico_8bit(rgba, path):
    alpha = rgba.split()[3]
    rgb = Image.new("RGB", rgba.size, (0, 0, 0))
    rgb.paste(rgba, (0, 0), rgba)
    pal_img = rgb.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = pal_img.getpalette()[:256 * 3]
    palette += [0] * (256 * 3 - len(palette))
    w, h = rgba.size
    idx = pal_img.load()
    a = alpha.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):  # bottom-up rows, each a multiple of 4 bytes (32 here)
        for x in range(w):
            xor.append(idx[x, y] if a[x, y] >= 128 else 0)
    and_mask = bytearray()
    for y in range(h - 1, -1, -1):
        bits = 0
        row = bytearray()
        for x in range(w):
            bits = (bits << 1) | (1 if a[x, y] < 128 else 0)
            if x % 8 == 7:
                row.append(bits)
                bits = 0
        row += bytes((4 - len(row) % 4) % 4)
        and_mask += row
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 8, 0, len(xor) + len(and_mask), 0, 0, 256, 0)
    pal = b"".join(bytes((palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0)) for i in range(256))
    image = header + pal + bytes(xor) + bytes(and_mask)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 8, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(icondir + entry + image)


# ------------------------------------------------------------------------------------------------
# Cursors: 32 x 32 monochrome, drawn on a character grid ('B' black, 'W' white, else transparent)
# ------------------------------------------------------------------------------------------------
def empty_grid():
    return [[" "] * 32 for _ in range(32)]


def stamp(grid, art, ox, oy):
    for y, line in enumerate(art):
        for x, c in enumerate(line):
            if c in "BW" and 0 <= ox + x < 32 and 0 <= oy + y < 32:
                grid[oy + y][ox + x] = c


def outline_white(grid):
    """Surrounds every black pixel with white ones, so the cursor shows on any background."""
    out = [row[:] for row in grid]
    for y in range(32):
        for x in range(32):
            if grid[y][x] != " ":
                continue
            near = any(grid[yy][xx] == "B" for yy in range(max(0, y - 1), min(32, y + 2))
                       for xx in range(max(0, x - 1), min(32, x + 2)))
            if near:
                out[y][x] = "W"
    return out


def split_symbol(size):
    """Black pixels of a left-right splitter symbol in a size x size box (size odd): two
    bars in the middle, an arrow to each side."""
    g = [[" "] * size for _ in range(size)]
    c = size // 2
    for y in range(1, size - 1):
        g[y][c - 1] = "B"
        g[y][c + 1] = "B"
    head = max(2, size // 4)
    for dx in range(head + 1):  # left arrow head at x = 0, right at size - 1
        for y in range(c - dx, c + dx + 1):
            g[y][dx] = "B"
            g[y][size - 1 - dx] = "B"
    for x in range(head, c - 1):
        g[c][x] = "B"
        g[c][size - 1 - x] = "B"
    return ["".join(r) for r in g]


def transpose(art):
    return ["".join(art[x][y] for x in range(len(art))) for y in range(len(art[0]))]


ARROW = [
    "B",
    "BB",
    "BWB",
    "BWWB",
    "BWWWB",
    "BWWWWB",
    "BWWWWWB",
    "BWWWWWWB",
    "BWWWWWWWB",
    "BWWWWWWWWB",
    "BWWWWWWWWWB",
    "BWWWWWWBBBBB",
    "BWWWBWWB",
    "BWWB BWWB",
    "BWB  BWWB",
    "BB    BWWB",
    "B     BWWB",
    "       BB",
]

HAND = [
    "     BB",
    "    BWWB",
    "    BWWB",
    "    BWWB",
    "    BWWB",
    "    BWWBBB",
    "    BWWBWWBBB",
    "    BWWBWWBWWBB",
    " BB BWWBWWBWWBWB",
    "BWWBBWWWWWWWWBWWB",
    "BWWWBWWWWWWWWWWWB",
    " BWWBWWWWWWWWWWWB",
    "  BWWWWWWWWWWWWWB",
    "  BWWWWWWWWWWWWWB",
    "   BWWWWWWWWWWWWB",
    "   BWWWWWWWWWWWB",
    "    BWWWWWWWWWWB",
    "    BWWWWWWWWWB",
    "     BWWWWWWWWB",
    "     BWWWWWWWWB",
    "     BBBBBBBBBB",
]


def cursor_split(vertical):
    g = empty_grid()
    art = split_symbol(17)  # centre (8, 8) is the hot point
    if vertical:
        art = transpose(art)
    stamp(g, art, 0, 0)
    return outline_white(g)


def cursor_split_hotspot(vertical):
    g = empty_grid()
    stamp(g, ARROW, 0, 0)
    art = split_symbol(11)
    if vertical:
        art = transpose(art)
    sym = empty_grid()
    stamp(sym, art, 14, 16)
    sym = outline_white(sym)
    for y in range(32):
        for x in range(32):
            if sym[y][x] != " " and g[y][x] == " ":
                g[y][x] = sym[y][x]
    return g


def cursor_hand():
    g = empty_grid()
    stamp(g, HAND, 0, 0)
    return g


def write_cur(grid, hot, path):
    xor = bytearray()
    and_mask = bytearray()
    for y in range(31, -1, -1):
        xb = ab = 0
        for x in range(32):
            c = grid[y][x]
            xb = (xb << 1) | (1 if c == "W" else 0)
            ab = (ab << 1) | (1 if c == " " else 0)
        xor += xb.to_bytes(4, "big")
        and_mask += ab.to_bytes(4, "big")
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor) + len(and_mask), 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    image = header + palette + bytes(xor) + bytes(and_mask)
    # a cursor file is an icon file of type 2 whose planes/bit-count fields hold the hot point
    icondir = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, hot[0], hot[1], len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(icondir + entry + image)


def grid_preview(grid):
    img = Image.new("RGB", (32, 32), (0, 128, 128))
    px = img.load()
    for y in range(32):
        for x in range(32):
            if grid[y][x] == "B":
                px[x, y] = (0, 0, 0)
            elif grid[y][x] == "W":
                px[x, y] = (255, 255, 255)
    return img


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "resources", "art")
    preview = os.environ.get("PLUMORA_ART_PREVIEW")  # a folder for enlarged PNG copies, to look at
    os.makedirs(out, exist_ok=True)

    banner = make_banner()
    banner.save(os.path.join(out, "banner.jpg"), quality=95, subsampling=0)
    stretch = banner.crop((486, 0, 490, 75))
    stretch.save(os.path.join(out, "banner-stretch.jpg"), quality=95, subsampling=0)

    icons = Image.new("RGB", (80, 16), MASK)
    for i, icon in enumerate([icon_star(), icon_gift(), icon_lightning(), icon_fit(True), icon_fit(False)]):
        icons.paste(icon, (i * 16, 0))
    save_bmp24(icons, os.path.join(out, "imagelist1.bmp"))
    help_button = icon_help()
    save_bmp24(help_button, os.path.join(out, "imagelist2.bmp"))

    help_pic = make_help_picture(icons)
    help_pic.save(os.path.join(out, "help.jpg"), quality=92, subsampling=0)

    icon = make_icon_picture()
    write_ico_8bit(icon, os.path.join(out, "plumora.ico"))

    cursors = {
        "split-horz.cur": (cursor_split(False), (8, 8)),
        "split-horz-hotspot.cur": (cursor_split_hotspot(False), (0, 0)),
        "split-vert.cur": (cursor_split(True), (8, 8)),
        "split-vert-hotspot.cur": (cursor_split_hotspot(True), (0, 0)),
        "hand.cur": (cursor_hand(), (5, 0)),
    }
    for name, (grid, hot) in cursors.items():
        write_cur(grid, hot, os.path.join(out, name))

    if preview:
        os.makedirs(preview, exist_ok=True)
        big = lambda im, k: im.resize((im.width * k, im.height * k), Image.NEAREST)
        banner.save(os.path.join(preview, "banner.png"))
        big(icons, 8).save(os.path.join(preview, "imagelist1.png"))
        big(help_button, 8).save(os.path.join(preview, "imagelist2.png"))
        big(help_pic, 3).save(os.path.join(preview, "help.png"))
        big(Image.open(os.path.join(out, "plumora.ico")).convert("RGBA"), 8).save(os.path.join(preview, "icon.png"))
        sheet = Image.new("RGB", (5 * 34, 32), (80, 80, 80))
        for i, (grid, _) in enumerate(cursors.values()):
            sheet.paste(grid_preview(grid), (i * 34, 0))
        big(sheet, 6).save(os.path.join(preview, "cursors.png"))
        wide = Image.new("RGB", (900, 75))
        wide.paste(banner, (0, 0))
        wide.paste(stretch.resize((410, 75)), (490, 0))
        wide.save(os.path.join(preview, "banner-wide.png"))


if __name__ == "__main__":
    main()
