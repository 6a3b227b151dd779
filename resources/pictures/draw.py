#!/usr/bin/python3
"""Draws the window's stored pictures once; the PNG files are kept in the repository and the program only
loads them. Run again after changing a picture: /usr/bin/python3 draw.py (needs python3-pil and
fonts-arphic-uming)."""
from PIL import Image, ImageDraw, ImageFont, ImageFilter
import os

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # supersampling factor, for smooth edges after downscaling
BLUE = (51, 119, 204)
DEEP = (31, 78, 150)
LIGHT = (225, 233, 245)
PANEL = (215, 225, 241)
ORANGE = (240, 150, 40)
WHITE = (255, 255, 255)
SONG = "/usr/share/fonts/truetype/arphic/uming.ttc"
SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def save(img, name, size):
    img.resize(size, Image.LANCZOS).save(os.path.join(HERE, name), optimize=True)


def canvas(w, h, colour=(0, 0, 0, 0)):
    img = Image.new("RGBA", (w * SS, h * SS), colour)
    return img, ImageDraw.Draw(img)


def s(*values):
    return [v * SS for v in values]


def banner_colour(y, h):
    t = y / (h - 1)
    return tuple(int(DEEP[i] + (BLUE[i] - DEEP[i]) * t) for i in range(3))


def banner():
    w, h = 536, 54
    img, d = canvas(w, h)
    for y in range(h * SS):
        d.line([(0, y), (w * SS, y)], fill=banner_colour(y / SS, h))
    # light arcs on the right, faded into the plain band the tiles continue
    for r in (38, 58, 78):
        d.ellipse(s(400 - r, 27 - r, 400 + r, 27 + r), outline=(120, 165, 225), width=2 * SS)
    d.rounded_rectangle(s(14, 11, 46, 43), radius=5 * SS, fill=WHITE)
    for row in range(3):
        for col in range(3):
            x, y = 18 + col * 9, 15 + row * 9
            d.rectangle(s(x, y, x + 7, y + 7), fill=ORANGE if row == 0 else BLUE)
    d.text(s(56, 7)[0:2], "Tabrix", font=ImageFont.truetype(SANS_BOLD, 26 * SS), fill=WHITE)
    d.text(s(174, 19)[0:2], "Excel 数据处理工具", font=ImageFont.truetype(SONG, 15 * SS), fill=(235, 242, 252))
    # the right end is the plain gradient, so the tiles join without a seam
    plain = Image.new("RGBA", img.size)
    pd = ImageDraw.Draw(plain)
    for y in range(h * SS):
        pd.line([(0, y), (w * SS, y)], fill=banner_colour(y / SS, h))
    mask = Image.new("L", img.size, 0)
    md = ImageDraw.Draw(mask)
    for x in range(430 * SS, w * SS):
        md.line([(x, 0), (x, h * SS)], fill=min(255, int((x - 430 * SS) / (60 * SS) * 255)))
    img = Image.composite(plain, img, mask)
    save(img, "banner.png", (w, h))


def tile():
    w, h = 60, 54
    img, d = canvas(w, h)
    for y in range(h * SS):
        d.line([(0, y), (w * SS, y)], fill=banner_colour(y / SS, h))
    save(img, "tile.png", (w, h))


def panel_foot():
    w, h = 217, 80
    img, d = canvas(w, h, PANEL + (255,))
    d.pieslice(s(-60, 30, 160, 170), 180, 360, fill=(203, 216, 236))
    d.pieslice(s(70, 42, 300, 182), 180, 360, fill=(192, 208, 232))
    d.rectangle(s(0, 100, w, h), fill=(192, 208, 232))
    save(img, "panelfoot.png", (w, h))


def sheet(d, x, y, w, h, colour=BLUE):
    d.rounded_rectangle(s(x, y, x + w, y + h), radius=2 * SS, fill=WHITE, outline=colour, width=int(1.5 * SS))
    for i in range(1, 4):
        yy = y + h * i / 4
        d.line(s(x + 2, yy, x + w - 2, yy), fill=colour + (110,), width=SS)


def arrow(d, x1, y1, x2, y2, colour=ORANGE):
    d.line(s(x1, y1, x2, y2), fill=colour, width=int(2.5 * SS))
    import math
    a = math.atan2(y2 - y1, x2 - x1)
    p = [(x2, y2), (x2 - 5 * math.cos(a) + 3.5 * math.sin(a), y2 - 5 * math.sin(a) - 3.5 * math.cos(a)),
         (x2 - 5 * math.cos(a) - 3.5 * math.sin(a), y2 - 5 * math.sin(a) + 3.5 * math.cos(a))]
    d.polygon([(px * SS, py * SS) for px, py in p], fill=colour)


def icon_merge():
    img, d = canvas(32, 32)
    sheet(d, 2, 2, 10, 12)
    sheet(d, 2, 17, 10, 12)
    sheet(d, 19, 7, 11, 18, DEEP)
    arrow(d, 12, 8, 18, 13)
    arrow(d, 12, 23, 18, 19)
    save(img, "menu_merge.png", (32, 32))


def icon_split():
    img, d = canvas(30, 32)
    sheet(d, 1, 7, 11, 18, DEEP)
    sheet(d, 18, 2, 10, 12)
    sheet(d, 18, 18, 10, 12)
    arrow(d, 12, 13, 17, 8)
    arrow(d, 12, 19, 17, 24)
    save(img, "menu_split.png", (30, 32))


def icon_analyse():
    img, d = canvas(38, 38)
    d.rounded_rectangle(s(3, 3, 29, 29), radius=3 * SS, fill=WHITE, outline=BLUE, width=int(1.5 * SS))
    for i, hgt in enumerate((10, 16, 7, 20)):
        x = 7 + i * 5.5
        d.rectangle(s(x, 26 - hgt, x + 3.5, 26), fill=BLUE if i % 2 else (120, 165, 225))
    d.ellipse(s(17, 17, 31, 31), outline=ORANGE, width=int(2.5 * SS), fill=(255, 255, 255, 150))
    d.line(s(29, 29, 35, 35), fill=ORANGE, width=4 * SS)
    save(img, "menu_analyse.png", (38, 38))


def icon_convert():
    img, d = canvas(28, 31)
    sheet(d, 1, 1, 13, 16)
    sheet(d, 13, 13, 13, 16, DEEP)
    d.arc(s(12, 1, 26, 15), 270, 30, fill=ORANGE, width=int(2.5 * SS))
    arrow(d, 25, 10, 24.5, 12.5)
    d.arc(s(1, 16, 15, 30), 90, 210, fill=ORANGE, width=int(2.5 * SS))
    arrow(d, 2, 21, 2.5, 18.5)
    save(img, "menu_convert.png", (28, 31))


def icon_help():
    img, d = canvas(29, 33)
    d.ellipse(s(1, 3, 28, 30), fill=BLUE)
    d.ellipse(s(3, 5, 26, 28), outline=(255, 255, 255, 90), width=SS)
    d.text(s(8.5, 4)[0:2], "?", font=ImageFont.truetype(SANS_BOLD, 20 * SS), fill=WHITE)
    save(img, "menu_help.png", (29, 33))


def app_icon():
    """The program's icon for menus and "Open with": the banner's grid on a blue tile, in the hicolor sizes."""
    n = 64
    img, d = canvas(n, n)
    d.rounded_rectangle(s(2, 2, 62, 62), radius=12 * SS, fill=BLUE)
    d.rounded_rectangle(s(10, 10, 54, 54), radius=6 * SS, fill=WHITE)
    for row in range(3):
        for col in range(3):
            x, y = 15 + col * 12.5, 15 + row * 12.5
            d.rectangle(s(x, y, x + 9.5, y + 9.5), fill=ORANGE if row == 0 else BLUE)
    icons = os.path.join(HERE, "..", "icons", "hicolor")
    for size in (16, 24, 32, 48, 64, 128, 256):
        folder = os.path.join(icons, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        img.resize((size, size), Image.LANCZOS).save(os.path.join(folder, "tabrix.png"), optimize=True)


if __name__ == "__main__":
    banner()
    tile()
    panel_foot()
    icon_merge()
    icon_split()
    icon_analyse()
    icon_convert()
    icon_help()
    app_icon()
