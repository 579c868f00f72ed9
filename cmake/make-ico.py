#!/usr/bin/env python3
"""Packs square PNG pictures into one Windows icon file (.ico with PNG-compressed images).

    make-ico.py OUT.ico IN-16.png IN-32.png ...

Each picture keeps its own size (at most 256 x 256); the entries are written smallest first."""
import struct
import sys


def png_size(data, name):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        sys.exit(f"make-ico: {name} is not a PNG file")
    width, height = struct.unpack(">II", data[16:24])
    if width != height or not 1 <= width <= 256:
        sys.exit(f"make-ico: {name} is {width}x{height}; icons are square, 1 to 256 pixels")
    return width


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: make-ico.py OUT.ico IN.png...")
    images = []
    for name in sys.argv[2:]:
        with open(name, "rb") as f:
            data = f.read()
        images.append((png_size(data, name), data))
    images.sort(key=lambda i: i[0])

    header = struct.pack("<HHH", 0, 1, len(images))  # reserved, type 1 (icon), count
    offset = len(header) + 16 * len(images)
    entries, blobs = b"", b""
    for size, data in images:
        side = 0 if size == 256 else size  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        blobs += data
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(header + entries + blobs)


if __name__ == "__main__":
    main()
