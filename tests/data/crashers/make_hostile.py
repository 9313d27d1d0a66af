#!/usr/bin/env python3
"""Writes the hostile files of this folder that small inputs use to ask for
huge work or memory. Made from scratch by this script (no third-party
content); run it from this folder with Debian's interpreter, which has
Pillow for the JPEG files: /usr/bin/python3 make_hostile.py"""
import io
import struct

# One pixel of colour 0, LZW minimum code size 2: clear, 0, end.
ONE_PIXEL = bytes([2, 2, 0x44, 0x01, 0])


def gif(screen_w, screen_h, frames):
    """A GIF89a with a two-colour global table and the given 1 x 1 frames,
    each (left, top)."""
    out = b"GIF89a" + struct.pack("<HHBBB", screen_w, screen_h, 0x80, 0, 0)
    out += bytes([0, 0, 0, 255, 255, 255])
    for left, top in frames:
        out += b"\x2c" + struct.pack("<HHHHB", left, top, 1, 1, 0) + ONE_PIXEL
    return out + b"\x3b"


def emf(size_px, records):
    """An EMF whose frame is size_px square at 96 dots an inch."""
    frame_hmm = round(size_px * 2540 / 96)
    body = b"".join(records) + struct.pack("<IIIII", 14, 20, 0, 0, 20)  # EOF
    header_size = 100
    total = header_size + len(body)
    header = struct.pack("<II4i4iIIIIHHIII2i2i", 1, header_size, 0, 0, size_px - 1, size_px - 1,
                         0, 0, frame_hmm, frame_hmm, 0x464D4520, 0x10000, total, len(records) + 2, 1, 0,
                         0, 0, 0, size_px, size_px, round(size_px * 25.4 / 96), round(size_px * 25.4 / 96))
    header += struct.pack("<III", 0, 0, 0)  # no pixel format, not OpenGL
    assert len(header) == header_size
    return header + body


def wmf(size_px, records):
    """A placeable WMF of size_px square logical units at 96 units an inch."""
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, size_px, size_px, 96, 0)
    checksum = 0
    for i in range(0, 20, 2):
        checksum ^= struct.unpack_from("<H", placeable, i)[0]
    placeable += struct.pack("<H", checksum)
    body = b"".join(records) + struct.pack("<IH", 3, 0)  # end of file
    words = (18 + len(body)) // 2
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, words, 0, 7, 0)
    return placeable + header + body


def progressive_jpeg(extra_scans):
    """A 64 x 64 progressive JPEG made by Pillow, its last scan repeated
    extra_scans more times before the end marker."""
    from PIL import Image
    picture = Image.new("RGB", (64, 64))
    picture.putdata([((x * 4) % 256, (y * 4) % 256, (x * y) % 256) for y in range(64) for x in range(64)])
    buffer = io.BytesIO()
    picture.save(buffer, "JPEG", quality=90, progressive=True)
    data = buffer.getvalue()
    last = data.rfind(b"\xff\xda")
    end = data.rfind(b"\xff\xd9")
    return data[:end] + data[last:end] * extra_scans + data[end:]


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    # A frame placed at the far right and bottom: the picture of its import
    # would span 65536 x 65536 pixels.
    write("refused-gif-frame-far-off-screen.gif", gif(1, 1, [(65535, 65535)]))
    # 3,000 one-pixel frames on a 1000 x 1000 screen: 12 GB once composed.
    write("refused-gif-3000-frames-on-large-screen.gif", gif(1000, 1000, [(0, 0)] * 3000))
    # 1,000 ellipses covering the whole picture.
    write("refused-emf-1000-full-size-ellipses.emf",
          emf(1024, [struct.pack("<II4i", 42, 24, 0, 0, 1024, 1024)] * 1000))
    write("refused-wmf-1000-full-size-ellipses.wmf",
          wmf(1024, [struct.pack("<IH4h", 7, 0x0418, 1024, 1024, 0, 0)] * 1000))
    # Thousands of small rectangles cut out of the clipping region, then one
    # rectangle drawn through it.
    write("refused-wmf-3000-clip-rectangles.wmf",
          wmf(1024, [struct.pack("<IH4h", 7, 0x0415, 3 * (i // 60) + 2, 3 * (i % 60) + 2,
                                 3 * (i // 60) + 1, 3 * (i % 60) + 1) for i in range(3000)]
              + [struct.pack("<IH4h", 7, 0x041B, 1024, 1024, 0, 0)]))
    # A frame offset of -1000000000 (times the picture width overflows 32
    # bits) and bounds starting at INT_MIN (negating it overflows).
    header_overflow = bytearray(emf(100, [struct.pack("<II4i", 42, 24, 10, 10, 90, 90)]))
    struct.pack_into("<i", header_overflow, 24, -1000000000)
    struct.pack_into("<i", header_overflow, 32, -1000000000 + 264583)
    write("emf-frame-offset-overflows-32-bits.emf", bytes(header_overflow))
    bounds_overflow = bytearray(emf(100, [struct.pack("<II4i", 42, 24, 10, 10, 90, 90)]))
    struct.pack_into("<4i", bounds_overflow, 8, -2**31, -2**31, -2**31 + 99, -2**31 + 99)
    struct.pack_into("<4i", bounds_overflow, 24, 0, 0, 0, 0)
    write("emf-bounds-at-int-min.emf", bytes(bounds_overflow))
    # A progressive picture as encoders write it, and the same with 150
    # more scans: each scan is a pass over the whole picture.
    write("jpeg-progressive.jpg", progressive_jpeg(0))
    write("refused-jpeg-150-more-scans.jpg", progressive_jpeg(150))
