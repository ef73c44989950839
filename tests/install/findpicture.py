#!/usr/bin/python3
"""Finds where a picture lies on a screenshot.

Usage: findpicture.py SCREEN.ppm PICTURE.ppm LEFT TOP_FROM TOP_TO

Both files are binary PPM (P6). Prints the top in TOP_FROM..TOP_TO at which
the picture, its left edge at LEFT, matches the screen best, pixel for pixel
within a small tolerance (the two were decoded by different JPEG decoders);
exits 1 when it matches at none of them.
"""
import sys

TOLERANCE = 4  # largest mean difference per channel that still matches; one pixel off gives over 15


def read_ppm(path):
    with open(path, 'rb') as f:
        data = f.read()
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b'#':
            at = data.index(b'\n', at)
            continue
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    if fields[0] != b'P6' or fields[3] != b'255':
        sys.exit(f'{path}: not an 8-bit binary PPM')
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at + 1:at + 1 + width * height * 3]
    if len(pixels) != width * height * 3:
        sys.exit(f'{path}: cut short')
    return width, height, pixels


def mean_difference(screen, picture, left, top):
    sw, sh, spx = screen
    pw, ph, ppx = picture
    if left < 0 or top < 0 or left + pw > sw or top + ph > sh:
        return 255
    total = 0
    for y in range(ph):
        s = ((top + y) * sw + left) * 3
        row = spx[s:s + pw * 3]
        p = ppx[y * pw * 3:(y + 1) * pw * 3]
        total += sum(abs(a - b) for a, b in zip(row, p))
    return total / (pw * ph * 3)


def main():
    screen = read_ppm(sys.argv[1])
    picture = read_ppm(sys.argv[2])
    left, top_from, top_to = (int(a) for a in sys.argv[3:6])
    best = min((mean_difference(screen, picture, left, top), top) for top in range(top_from, top_to + 1))
    if best[0] > TOLERANCE:
        print(f'not found; closest at top {best[1]}, mean difference {best[0]:.1f}', file=sys.stderr)
        sys.exit(1)
    print(best[1])


main()
