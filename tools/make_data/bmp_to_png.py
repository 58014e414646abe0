#!/usr/bin/env python3
"""Developer helper: turn 8-bit BMPs into PNGs for looking at the art.
usage: bmp_to_png.py OUTDIR file.bmp... (standard library only)"""
import os, struct, sys, zlib

def bmp_to_png(src, dst, scale=1):
    b = open(src, 'rb').read()
    w, h = struct.unpack_from('<ii', b, 18)
    size = struct.unpack_from('<I', b, 34)[0]
    pal = [(b[54 + 4*i + 2], b[54 + 4*i + 1], b[54 + 4*i]) for i in range(256)]
    pix = b[len(b) - size:]
    rows = []
    for y in range(h):
        src_row = pix[(h - 1 - y) * w:(h - y) * w]
        out = bytearray()
        for v in src_row:
            out += bytes(pal[v]) * scale
        for _ in range(scale):
            rows.append(b'\0' + bytes(out))
    def chunk(t, d):
        c = struct.pack('>I', len(d)) + t + d
        return c + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w*scale, h*scale, 8, 2, 0, 0, 0))
    png += chunk(b'IDAT', zlib.compress(b''.join(rows), 9)) + chunk(b'IEND', b'')
    open(dst, 'wb').write(png)

if __name__ == '__main__':
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    scale = int(os.environ.get('SCALE', '1'))
    for f in sys.argv[2:]:
        bmp_to_png(f, os.path.join(out, os.path.basename(f).rsplit('.', 1)[0] + '.png'), scale)
