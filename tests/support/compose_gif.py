# Composes every frame of a GIF with Pillow, the independent decoder the
# round-trip tests compare against, and prints the loop count, the frame
# size and, per frame, its duration followed by its RGBA bytes.
# Run with Debian's interpreter: /usr/bin/python3 compose_gif.py FILE
import sys
from PIL import Image, ImageSequence

im = Image.open(sys.argv[1])
loop = im.info.get("loop")
frames = [(f.info.get("duration", 0), f.convert("RGBA").tobytes()) for f in ImageSequence.Iterator(im)]
out = sys.stdout.buffer
out.write(b"loop %s\nframes %d %d %d\n" % (b"-" if loop is None else b"%d" % loop, len(frames), im.width, im.height))
for duration, rgba in frames:
    out.write(b"duration %d\n" % duration)
    out.write(rgba)
