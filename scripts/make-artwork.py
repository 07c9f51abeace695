#!/usr/bin/env python3
"""Draws the program's icons and tick sounds into src/resources/res.

The artwork is our own and deliberately plain: a few filled shapes per icon and
short synthetic clicks. Run it again after changing a shape; the output is committed.
"""
import math
import os
import struct
import wave
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "resources", "res")


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def ring(self, cx, cy, r, width, c):
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r - width <= d <= r:
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for dx in range(width):
                for dy in range(width):
                    self.put(int(x) + dx, int(y) + dy, c)

    def png(self, name):
        raw = b"".join(b"\x00" + b"".join(struct.pack("BBBB", *p) for p in row) for row in self.px)

        def chunk(tag, data):
            return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

        data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)

    def ico(self, name):
        # One 32-bit BMP entry: bottom-up BGRA rows followed by an all-zero AND mask.
        xor = b"".join(struct.pack("BBBB", p[2], p[1], p[0], p[3]) for row in reversed(self.px) for p in row)
        mask_row = ((self.w + 31) // 32) * 4
        andmask = b"\x00" * (mask_row * self.h)
        header = struct.pack("<IiiHHIIiiII", 40, self.w, self.h * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
        image = header + xor + andmask
        icondir = struct.pack("<HHH", 0, 1, 1)
        entry = struct.pack("<BBBBHHII", self.w, self.h, 0, 0, 1, 32, len(image), 6 + 16)
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(icondir + entry + image)


NAVY = (20, 40, 110, 255)
BLUE = (50, 110, 200, 255)
WHITE = (255, 255, 255, 255)
GREEN = (30, 170, 60, 255)
DARKGREEN = (20, 70, 30, 255)
GREY = (90, 90, 90, 255)
LIGHT = (210, 210, 210, 255)
RED = (200, 40, 40, 255)
YELLOW = (240, 200, 40, 255)
PAPER = (250, 250, 235, 255)


def clock_face(size):
    # Drawn at 32 px and below with a 1 px rim and 2 px hands; the larger desktop icons
    # grow both with the size, and keep the hands on the centre.
    c = Canvas(size, size)
    m = size / 2
    rim = max(1, size / 32)
    hand = max(2, round(size / 16))
    o = m - (hand - 2) / 2
    c.disc(m, m, m - rim, NAVY)
    c.disc(m, m, m - 3 * rim, WHITE)
    c.line(o, o, o, m * 0.35, NAVY, hand)
    c.line(o, o, o + m * 0.45, o, RED, hand)
    return c


def main():
    os.makedirs(OUT, exist_ok=True)
    clock_face(32).ico("Horalux.ico")
    # The installed program's icon in the desktop's icon theme: the same face as PNG.
    for size in (32, 48, 128):
        clock_face(size).png("Horalux %d.png" % size)
    clock_face(24).png("Set Clock 24.png")

    c = Canvas(24, 24)
    c.disc(12, 12, 11, BLUE)
    c.line(9, 7, 15, 7, WHITE, 2)
    c.line(15, 7, 15, 12, WHITE, 2)
    c.line(15, 12, 12, 12, WHITE, 2)
    c.line(12, 12, 12, 15, WHITE, 2)
    c.rect(11, 18, 13, 19, WHITE)
    c.png("Help_24.png")

    c = Canvas(24, 24)  # a pulse train: timing
    c.line(1, 18, 6, 18, NAVY, 2)
    c.line(6, 5, 6, 18, NAVY, 2)
    c.line(6, 5, 12, 5, NAVY, 2)
    c.line(12, 5, 12, 18, NAVY, 2)
    c.line(12, 18, 18, 18, NAVY, 2)
    c.line(18, 5, 18, 18, NAVY, 2)
    c.line(18, 5, 23, 5, NAVY, 2)
    c.png("Timing 24.png")

    c = Canvas(24, 24)  # a scatter of fixes around their mean
    for (x, y) in [(5, 7), (17, 5), (8, 17), (19, 16), (13, 10), (6, 12), (15, 19)]:
        c.disc(x, y, 1.6, BLUE)
    c.line(12, 2, 12, 22, RED)
    c.line(2, 12, 22, 12, RED)
    c.png("Averaging 24.png")

    c = Canvas(24, 24)  # a receiver box with an antenna
    c.rect(3, 12, 20, 20, GREY)
    c.rect(5, 14, 12, 16, GREEN)
    c.line(16, 4, 16, 12, NAVY, 2)
    c.ring(16, 4, 4, 1.2, NAVY)
    c.png("GPS Rx 24.png")

    c = Canvas(24, 24)  # polar sky chart
    c.ring(12, 12, 11, 1.2, NAVY)
    c.ring(12, 12, 6, 1, GREY)
    c.line(12, 1, 12, 23, GREY)
    c.line(1, 12, 23, 12, GREY)
    c.disc(8, 8, 2, GREEN)
    c.disc(16, 15, 2, RED)
    c.png("Az-El Chart 24.png")

    def page(mark):
        c = Canvas(24, 24)
        c.rect(4, 2, 18, 21, GREY)
        c.rect(5, 3, 17, 20, PAPER)
        for y in (7, 10, 13, 16):
            c.line(7, y, 15, y, LIGHT)
        mark(c)
        return c

    page(lambda c: (c.disc(18, 18, 5, GREEN), c.line(16, 18, 20, 18, WHITE, 2), c.line(18, 16, 18, 20, WHITE, 2))).png("New Log 24.png")
    page(lambda c: (c.disc(18, 18, 5, BLUE), c.line(15, 18, 20, 18, WHITE, 2), c.line(18, 15, 20, 18, WHITE, 2))).png("Open Log 24.png")
    page(lambda c: (c.disc(18, 18, 5, RED), c.line(16, 16, 20, 20, WHITE, 2), c.line(20, 16, 16, 20, WHITE, 2))).png("Close Log 24.png")

    c = Canvas(46, 51)
    c.rect(0, 0, 45, 50, GREEN)
    c.ring(23, 22, 13, 4, WHITE)
    c.line(26, 28, 34, 38, WHITE, 4)
    c.png("built-with-Qt_Icon.png")

    for name, colour in (("icon_off.png", DARKGREEN), ("icon_on.png", (60, 255, 80, 255))):
        c = Canvas(16, 16)
        c.disc(8, 8, 7, GREY)
        c.disc(8, 8, 5.5, colour)
        c.png(name)
    for name, colour in (("IconNtpOff.png", GREY), ("IconNtpOn.png", BLUE)):
        c = Canvas(16, 16)
        c.ring(8, 8, 7.5, 2, colour)
        c.line(8, 8, 8, 3, colour, 2)
        c.line(8, 8, 12, 8, colour, 2)
        c.png(name)

    def click(name, freq, ms, level):
        rate = 22050
        n = int(rate * ms / 1000)
        frames = b"".join(
            struct.pack("<h", int(level * 32767 * math.exp(-6.0 * i / n) * math.sin(2 * math.pi * freq * i / rate)))
            for i in range(n))
        with wave.open(os.path.join(OUT, name), "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(rate)
            w.writeframes(frames)

    click("SecondTick.wav", 2000, 15, 0.6)
    click("MinuteTick.wav", 1000, 80, 0.8)
    click("WarnTick.wav", 440, 150, 0.8)


if __name__ == "__main__":
    main()
