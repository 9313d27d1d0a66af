#!/usr/bin/env python3
"""Lists the blocks of GIF files frame by frame, to see where their bytes go.

For each frame: its rectangle, disposal, transparent index, local table size,
minimum code size, LZW data bytes and the number of clear codes in the data.
With two files, the frames are set side by side (by order) with the
difference in bytes. Usage: gifblocks.py FILE [OTHER]
"""
import sys


def clears(data, min_size):
    """Counts the clear codes in an LZW stream (bit-exact walk of the codes)."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    width = min_size + 1
    nxt = end + 1
    bits = acc = 0
    pos = 0
    count = 0
    first = True
    while True:
        while bits < width:
            if pos >= len(data):
                return count
            acc |= data[pos] << bits
            pos += 1
            bits += 8
        code = acc & ((1 << width) - 1)
        acc >>= width
        bits -= width
        if code == clear:
            count += 1
            width, nxt, first = min_size + 1, end + 1, True
            continue
        if code == end:
            return count
        if first:
            first = False
            continue
        if nxt < 4096:
            nxt += 1
            if nxt == (1 << width) and width < 12:
                width += 1


def sub_blocks(b, pos):
    """The data of the sub-blocks starting at pos, and the position after them."""
    data = b''
    while b[pos]:
        data += b[pos + 1:pos + 1 + b[pos]]
        pos += 1 + b[pos]
    return data, pos + 1


def frames(path):
    b = open(path, 'rb').read()
    assert b[:3] == b'GIF', path
    packed = b[10]
    pos = 13
    gct = 0
    if packed & 0x80:
        gct = 2 << (packed & 7)
        pos += 3 * gct
    out = {'size': len(b), 'global': gct, 'frames': [], 'other': 0}
    gce = None
    while pos < len(b):
        t = b[pos]
        if t == 0x3B:
            break
        if t == 0x21:
            label = b[pos + 1]
            start = pos
            pos += 2
            body, pos = sub_blocks(b, pos)
            if label == 0xF9:
                gce = {'disposal': (body[0] >> 2) & 7,
                       'transparent': body[3] if body[0] & 1 else None,
                       'delay': body[1] | body[2] << 8}
            else:
                out['other'] += pos - start
            continue
        assert t == 0x2C, hex(t)
        start = pos
        x, y, w, h = (int.from_bytes(b[pos + i:pos + i + 2], 'little') for i in (1, 3, 5, 7))
        p = b[pos + 9]
        pos += 10
        lct = 0
        if p & 0x80:
            lct = 2 << (p & 7)
            pos += 3 * lct
        mcs = b[pos]
        pos += 1
        data, pos = sub_blocks(b, pos)
        out['frames'].append({'rect': (x, y, w, h), 'local': lct, 'mcs': mcs, 'lzw': len(data),
                              'bytes': pos - start, 'clears': clears(data, mcs), **(gce or {})})
        gce = None
    return out


def line(f):
    x, y, w, h = f['rect']
    return '%4d,%-4d %4dx%-4d d%s t%-4s L%-3d m%d %7d c%d' % (
        x, y, w, h, f.get('disposal', '-'), f.get('transparent'), f['local'], f['mcs'], f['lzw'], f['clears'])


def main():
    files = [frames(p) for p in sys.argv[1:3]]
    for p, f in zip(sys.argv[1:3], files):
        lzw = sum(fr['lzw'] for fr in f['frames'])
        tables = sum(fr['local'] * 3 for fr in f['frames']) + f['global'] * 3
        print('%s: %d bytes, %d frames, LZW %d, tables %d, other extensions %d' % (
            p, f['size'], len(f['frames']), lzw, tables, f['other']))
    n = max(len(f['frames']) for f in files)
    for i in range(n):
        cells = [line(f['frames'][i]) if i < len(f['frames']) else '' for f in files]
        diff = ''
        if len(files) == 2 and i < len(files[0]['frames']) and i < len(files[1]['frames']):
            diff = '%+d' % (files[0]['frames'][i]['bytes'] - files[1]['frames'][i]['bytes'])
        print('%3d  %s' % (i, '  |  '.join(c.ljust(52) for c in cells)), diff)


if __name__ == '__main__':
    main()
