# The three contents of the reduction comparison, as PNG frames, and the
# measure of a GIF against them. Run with Debian's interpreter (Pillow, numpy):
#   /usr/bin/python3 reduction_clips.py make DIR [PHOTOS_DIR]
#       writes DIR/photo/f001.png... (60 frames: a slow pan over real
#       photographs), DIR/desktop/ (120 frames: a drawn desktop with a moving
#       pointer and typing) and DIR/flat/ (60 frames: flat shapes with soft
#       edges and gradients)
#   /usr/bin/python3 reduction_clips.py measure GIF FRAMES_DIR
#       prints "bytes psnr ssim": the file's size, the PSNR (dB, over every
#       channel of every frame as Pillow plays it) and the mean SSIM (luma,
#       8 x 8 windows) against the PNG frames
import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont, ImageSequence


def photo(out, photos):
    # Photographs side by side at one height, a 480 x 320 window moving
    # 4 pixels right and 1 down a frame.
    names = ["astronaut.png", "coffee.png", "chelsea.png", "motorcycle_left.png"]
    pictures = []
    for name in names:
        p = Image.open(os.path.join(photos, name)).convert("RGB")
        pictures.append(p.resize((p.width * 400 // p.height, 400), Image.LANCZOS))
    strip = Image.new("RGB", (sum(p.width for p in pictures), 400))
    x = 0
    for p in pictures:
        strip.paste(p, (x, 0))
        x += p.width
    for i in range(60):
        strip.crop((300 + 4 * i, 20 + i, 780 + 4 * i, 340 + i)).save(os.path.join(out, "f%03d.png" % (i + 1)))


def font(size):
    for path in ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",):
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def desktop(out):
    # A desktop: a gradient wallpaper, a window with anti-aliased text, a
    # task bar; a pointer moves and a line is typed a letter every two frames.
    w, h = 640, 480
    base = Image.new("RGB", (w, h))
    top, bottom = np.array([58, 110, 165]), np.array([12, 40, 80])
    t = np.linspace(0, 1, h)[:, None, None]
    base = Image.fromarray((top * (1 - t) + bottom * t).repeat(w, axis=1).astype(np.uint8))
    d = ImageDraw.Draw(base)
    f = font(13)
    d.rectangle((60, 50, 580, 420), fill=(240, 240, 240), outline=(90, 90, 90))
    d.rectangle((60, 50, 580, 74), fill=(52, 101, 164))
    d.text((70, 55), "Document - Éditeur de texte", font=f, fill=(255, 255, 255))
    for line in range(10):
        d.text((75, 90 + 22 * line), "Ligne %d : un texte déjà écrit, anti-crénelé." % (line + 1), font=f, fill=(20, 20, 20))
    d.rectangle((0, h - 32, w, h), fill=(36, 36, 40))
    for k in range(5):
        d.rounded_rectangle((8 + 44 * k, h - 28, 44 + 44 * k, h - 4), 5, fill=(70 + 20 * k, 90, 140 - 10 * k))
    typed = "Bonjour, voici une ligne saisie pendant l'enregistrement."
    for i in range(120):
        frame = base.copy()
        d = ImageDraw.Draw(frame)
        d.text((75, 320), typed[: i // 2], font=f, fill=(20, 20, 20))
        if (i // 8) % 2 == 0:
            cx = 75 + int(d.textlength(typed[: i // 2], font=f))
            d.line((cx + 1, 320, cx + 1, 336), fill=(0, 0, 0))
        px, py = 120 + 3 * i, 380 - 2 * i
        d.polygon([(px, py), (px, py + 18), (px + 5, py + 13), (px + 12, py + 13)], fill=(255, 255, 255), outline=(0, 0, 0))
        frame.save(os.path.join(out, "f%03d.png" % (i + 1)))


def flat(out):
    # Flat shapes with soft (blurred) edges over a two-colour gradient; the
    # shapes drift and one grows.
    w, h = 480, 360
    x = np.linspace(0, 1, w)[None, :, None]
    y = np.linspace(0, 1, h)[:, None, None]
    sky = np.array([250, 220, 170]) * (1 - y) + np.array([120, 170, 230]) * y
    ground = sky * (1 - 0.3 * x)
    back = ground.astype(np.uint8)
    for i in range(60):
        frame = Image.fromarray(back.copy())
        layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
        d = ImageDraw.Draw(layer)
        d.ellipse((40 + 2 * i, 60, 180 + 2 * i, 200), fill=(220, 60, 50, 255))
        d.rectangle((260, 150 - i, 400, 290 - i), fill=(40, 120, 70, 255))
        r = 30 + i // 2
        d.ellipse((240 - r, 260 - r // 2, 240 + r, 260 + r // 2), fill=(250, 200, 40, 255))
        d.polygon([(330 - i, 40), (420 - i, 120), (300 - i, 110)], fill=(90, 60, 160, 255))
        layer = layer.filter(ImageFilter.GaussianBlur(1.6))
        frame.paste(layer, (0, 0), layer)
        frame.convert("RGB").save(os.path.join(out, "f%03d.png" % (i + 1)))


def make(root, photos):
    for name, build in (("photo", lambda o: photo(o, photos)), ("desktop", desktop), ("flat", flat)):
        out = os.path.join(root, name)
        os.makedirs(out, exist_ok=True)
        build(out)


def box_mean(a, k=8):
    # The mean over k x k windows of each whole block (non-overlapping).
    h, w = a.shape[0] // k * k, a.shape[1] // k * k
    return a[:h, :w].reshape(h // k, k, w // k, k).mean(axis=(1, 3))


def ssim(a, b):
    la = a @ np.array([0.299, 0.587, 0.114])
    lb = b @ np.array([0.299, 0.587, 0.114])
    c1, c2 = (0.01 * 255) ** 2, (0.03 * 255) ** 2
    ma, mb = box_mean(la), box_mean(lb)
    va = box_mean(la * la) - ma * ma
    vb = box_mean(lb * lb) - mb * mb
    cov = box_mean(la * lb) - ma * mb
    s = ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2))
    return float(s.mean())


def measure(path, frames_dir):
    names = sorted(n for n in os.listdir(frames_dir) if n.endswith(".png"))
    im = Image.open(path)
    shown = [np.asarray(f.convert("RGB"), dtype=np.float64) for f in ImageSequence.Iterator(im)]
    squared, samples, s = 0.0, 0, []
    for k, name in enumerate(names):
        ref = np.asarray(Image.open(os.path.join(frames_dir, name)).convert("RGB"), dtype=np.float64)
        got = shown[min(k, len(shown) - 1)]
        squared += float(((ref - got) ** 2).sum())
        samples += ref.size
        s.append(ssim(ref, got))
    mse = squared / samples
    value = 99.0 if mse == 0 else 10 * np.log10(255 * 255 / mse)
    print("%d %.2f %.4f" % (os.path.getsize(path), value, sum(s) / len(s)))


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else "/usr/lib/python3/dist-packages/skimage/data")
    else:
        measure(sys.argv[2], sys.argv[3])
