# The frames of a GIF as the smoke tests read them with Pillow: its size and,
# per frame, the composed picture (RGB) and its duration in milliseconds.
from PIL import Image


def frames(path):
    im = Image.open(path)
    out = []
    try:
        while True:
            out.append((im.convert("RGB"), im.info.get("duration", 0)))
            im.seek(im.tell() + 1)
    except EOFError:
        pass
    return im.size, out
