#!/bin/sh
# Makes the GIFs of the colour round-trip tests (run once; the files are
# committed). Needs Debian's python3-pil, gifsicle, ImageMagick and ffmpeg.
set -e
cd "$(dirname "$0")"
work=$(mktemp -d)
/usr/bin/python3 - "$work" <<'PY'
import sys
from PIL import Image, ImageDraw
work = sys.argv[1]
frames = []
for i in range(5):
    im = Image.new('RGB', (48, 32))
    px = im.load()
    for y in range(32):
        for x in range(48):
            px[x, y] = ((x * 5 + i * 20) % 256, (y * 8 + i * 10) % 256, ((x + y) * 3 + i * 40) % 256)
    ImageDraw.Draw(im).ellipse([4 + 6 * i, 6, 18 + 6 * i, 20], fill=(250, 240 - i * 30, 10 + i * 20))
    frames.append(im)
    im.save('%s/src%d.png' % (work, i))
    im.quantize(colors=200 - i * 30).save('%s/single%d.gif' % (work, i))
for i in range(4):
    im = Image.new('RGB', (36, 24))
    px = im.load()
    for y in range(24):
        for x in range(36):
            px[x, y] = (51 * (x % 6), 51 * (y % 6), 51 * ((x // 6 + y // 6 + i) % 6))
    for y in range(4, 10):
        for x in range(2 + 4 * i, 8 + 4 * i):
            px[x, y] = (255, 255, 255)
    im.save('cube-%d.png' % i)
frames[0].save('pillow-adaptive.gif', save_all=True, append_images=frames[1:], duration=[100, 120, 80, 200, 150], loop=0)
PY
gifsicle -O2 --loopcount=0 --delay 10 "$work"/single0.gif "$work"/single1.gif "$work"/single2.gif \
    "$work"/single3.gif "$work"/single4.gif > gifsicle-adaptive.gif
convert -delay 15 -loop 0 "$work"/src0.png "$work"/src1.png "$work"/src2.png "$work"/src3.png "$work"/src4.png \
    -layers Optimize imagemagick-adaptive.gif
ffmpeg -v error -f lavfi -i testsrc2=size=48x32:rate=10 -frames:v 6 \
    -vf "split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1" -y ffmpeg-adaptive.gif
rm -r "$work"
# reference-cube*.gif were written by `orugif make OUT cube-0.png ... cube-3.png`
# (with the options the command-line test gives) before "auto" was the
# default colours; they must not be made again.
