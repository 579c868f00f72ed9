#!/usr/bin/env python3
"""Turns a PNG picture (as rsvg-convert writes it) into what a Windows resource script embeds.

    make-picture.py bmp OUT.bmp IN.png          32-bit bitmap, alpha premultiplied (AlphaBlend)
    make-picture.py cur OUT.cur IN.png X Y      cursor with its hot spot at X, Y

Only what rsvg-convert writes is read: 8-bit RGBA or RGB, not interlaced."""
import struct
import sys
import zlib


def fail(message):
    sys.exit(f"make-picture: {message}")


def read_png(name):
    with open(name, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(f"{name} is not a PNG file")
    pos, idat, header = 8, b"", None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    if header is None:
        fail(f"{name} has no header")
    width, height, depth, colour, _, _, interlace = header
    channels = {6: 4, 2: 3}.get(colour)
    if depth != 8 or channels is None or interlace:
        fail(f"{name}: only 8-bit RGB(A) pictures without interlacing are read")
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
            elif kind != 0:
                fail(f"{name}: unknown row filter {kind}")
        rows.append([tuple(line[x * channels:x * channels + channels]) + ((255,) if channels == 3 else ())
                     for x in range(width)])
        prev = line
    return width, height, rows


def bgra_bottom_up(rows, premultiply):
    out = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            if premultiply:
                r, g, b = (r * a + 127) // 255, (g * a + 127) // 255, (b * a + 127) // 255
            out += bytes((b, g, r, a))
    return bytes(out)


def info_header(width, height, size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, size, 2835, 2835, 0, 0)


def write_bmp(out, width, height, rows):
    pixels = bgra_bottom_up(rows, premultiply=True)
    info = info_header(width, height, len(pixels))
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(out, "wb") as f:
        f.write(file_header + info + pixels)


def write_cur(out, width, height, rows, hot_x, hot_y):
    if width > 256 or height > 256:
        fail("cursors are at most 256 x 256 pixels")
    pixels = bgra_bottom_up(rows, premultiply=False)
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):  # 1 where the picture is see-through
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    image = info_header(width, height * 2, len(pixels) + len(mask)) + pixels + bytes(mask)
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    with open(out, "wb") as f:
        f.write(header + entry + image)


def main():
    args = sys.argv[1:]
    if len(args) == 3 and args[0] == "bmp":
        width, height, rows = read_png(args[2])
        write_bmp(args[1], width, height, rows)
    elif len(args) == 5 and args[0] == "cur":
        width, height, rows = read_png(args[2])
        write_cur(args[1], width, height, rows, int(args[3]), int(args[4]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
