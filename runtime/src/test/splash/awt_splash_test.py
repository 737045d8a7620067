#!/usr/bin/env python3
"""The runtime's own splash screen under Xvfb: the launcher's two text lines are drawn in their
colours and places, a new status text replaces the old one, and a hide removes the window.
Usage: awt_splash_test.py JAVA CLASS_PATH SCRATCH_DIR. Exit 77 when no X server can be had."""
import os
import shutil
import struct
import subprocess
import sys
import time
import zlib

WIDTH, HEIGHT = 300, 120
SCREEN_W, SCREEN_H = 640, 480
STEP_SECONDS = 20


def write_white_png(path):
    rows = b"".join(b"\x00" + b"\xff\xff\xff" * WIDTH for _ in range(HEIGHT))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def screenshot(display):
    env = dict(os.environ, DISPLAY=display)
    xwd = subprocess.run(["xwd", "-root", "-silent"], env=env, capture_output=True,
                         timeout=STEP_SECONDS, check=True).stdout
    ppm = subprocess.run(["xwdtopnm"], input=xwd, capture_output=True, timeout=STEP_SECONDS,
                         check=True).stdout
    # P6 header: magic, width, height, maxval, then RGB bytes.
    fields, pos = [], 0
    while len(fields) < 4:
        while ppm[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[pos:end])
        pos = end
    width, height = int(fields[1]), int(fields[2])
    return width, height, ppm[pos + 1:]


def count(image, box, predicate):
    width, _, pixels = image
    left, top, right, bottom = box
    hits = 0
    for y in range(top, bottom):
        for x in range(left, right):
            i = (y * width + x) * 3
            if predicate(pixels[i], pixels[i + 1], pixels[i + 2]):
                hits += 1
    return hits


def red(r, g, b):
    return r > 200 and g < 80 and b < 80


def blue(r, g, b):
    return b > 200 and r < 80 and g < 80


def white(r, g, b):
    return r > 240 and g > 240 and b > 240


def main():
    java, class_path, scratch = sys.argv[1:4]
    if not shutil.which("Xvfb") or not shutil.which("xwd") or not shutil.which("xwdtopnm"):
        print("Xvfb, xwd or xwdtopnm missing")
        return 77
    os.makedirs(scratch, exist_ok=True)
    png = os.path.join(scratch, "white.png")
    write_white_png(png)

    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                             "%dx%dx24" % (SCREEN_W, SCREEN_H), "-nolisten", "tcp"],
                            pass_fds=[write_fd], stderr=subprocess.DEVNULL)
    os.close(write_fd)
    failures = []
    app = None
    try:
        with os.fdopen(read_fd) as displayfd:
            display = ":" + displayfd.readline().strip()
        app = subprocess.Popen([java, "-splash:" + png, "-cp", class_path,
                                "com.tessel.embedding.SplashApp"],
                               env=dict(os.environ, DISPLAY=display), stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, text=True)
        # The splash is centred on the screen.
        left, top = (SCREEN_W - WIDTH) // 2, (SCREEN_H - HEIGHT) // 2
        status = (left, top, left + WIDTH, top + 50)
        version = (left, top + 55, left + WIDTH, top + HEIGHT)
        whole = (left, top, left + WIDTH, top + HEIGHT)

        def expect(stage, ok, what):
            print("%s: %s (%s)" % ("ok" if ok else "FAILED", what, stage))
            if not ok:
                failures.append(what)

        # The splash repaints on its own thread: look again for a while before judging.
        settled = {
            "configured": lambda c: c[0] > 100 and c[1] > 100,
            "status cleared": lambda c: c[0] == 0,
            "status set": lambda c: c[0] > 0,
            "hidden": lambda c: c[2] == 0,
        }
        seen = {}
        for stage in ("configured", "status cleared", "status set", "hidden"):
            line = app.stdout.readline().strip()
            if line != stage:
                failures.append("expected stage %r, got %r" % (stage, line))
                break
            deadline = time.monotonic() + 5
            while True:
                shot = screenshot(display)
                seen[stage] = (count(shot, status, red), count(shot, version, blue),
                               count(shot, whole, white))
                if settled[stage](seen[stage]) or time.monotonic() > deadline:
                    break
                time.sleep(0.1)
            app.stdin.write("next\n")
            app.stdin.flush()
        print("red, blue, white pixels per stage:", seen)
        if len(seen) == 4:
            expect("configured", seen["configured"][0] > 100, "status line drawn in red")
            expect("configured", seen["configured"][1] > 100, "version line drawn in blue")
            expect("status cleared", seen["status cleared"][0] == 0, "empty status clears it")
            expect("status cleared", seen["status cleared"][1] == seen["configured"][1],
                   "version line untouched")
            expect("status set", 0 < seen["status set"][0] < seen["configured"][0],
                   "shorter status text drawn")
            expect("hidden", seen["hidden"][2] == 0, "splash window gone")
        app.wait(timeout=STEP_SECONDS)
        expect("end", app.returncode == 0, "application ended normally")
    except subprocess.TimeoutExpired as timeout:
        failures.append("timed out: %s" % timeout)
    finally:
        if app and app.poll() is None:
            app.kill()
        xvfb.kill()
        xvfb.wait(timeout=STEP_SECONDS)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
