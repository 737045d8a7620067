#!/usr/bin/env python3
"""Time from process start to the native splash being on the screen, against a trivial program
that shows a window of the same size, both started the same way under the build tree's Xvfb.
The screen is polled a few pixels at a time through Xlib (about 1 ms a look).
Usage: splash_visible.py TRIVIAL.exe [runs]"""
import ctypes
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "gui"))
import screen  # noqa: E402

x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                          ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]


class XImage(ctypes.Structure):
    """Xlib's XImage, up to its function table (destroy_image is a macro's target)."""
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p),
                ("create_image", ctypes.c_void_p),
                ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p)),
                ("get_pixel", ctypes.CFUNCTYPE(ctypes.c_ulong, ctypes.c_void_p, ctypes.c_int,
                                               ctypes.c_int))]


ALL_PLANES, Z_PIXMAP = 0xFFFFFFFF, 2


class Screen:
    def __init__(self):
        self.display = x11.XOpenDisplay(screen.display().encode())
        if not self.display:
            raise SystemExit("cannot open the display")
        self.root = x11.XDefaultRootWindow(self.display)

    def pixels(self, points):
        """(r, g, b) of each (x, y) of the root window, read in one image of their bounds."""
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        x0, y0 = min(xs), min(ys)
        image = x11.XGetImage(self.display, self.root, x0, y0, max(xs) - x0 + 1,
                              max(ys) - y0 + 1, ALL_PLANES, Z_PIXMAP)
        fields = ctypes.cast(image, ctypes.POINTER(XImage)).contents
        out = []
        for x, y in points:
            v = fields.get_pixel(image, x - x0, y - y0)
            out.append(((v >> 16) & 255, (v >> 8) & 255, v & 255))
        fields.destroy_image(image)
        return out


def time_until(look, condition, start, limit=60):
    while time.monotonic() - start < limit:
        if condition(look()):
            return time.monotonic() - start
        time.sleep(0.001)
    return None


def main():
    trivial = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    points = [(screen.SPLASH_X + x, screen.SPLASH_Y + y) for x, y in screen.SAMPLES]
    expected = [screen.EXPECTED[y][x] for x, y in screen.SAMPLES]
    solid = (0x1f, 0x6f, 0x8b)
    app = screen.App({}, tag="splash-bench")
    display = None
    launcher_times, trivial_times = [], []
    try:
        env = screen.wine_environment({"TESSEL_JVM_MAIN_SLEEP_MS": "1500"})
        env.pop("TESSEL_LOG", None)
        for run in range(runs + 1):  # the first pair warms Wine up and is not counted
            for kind in ("launcher", "trivial"):
                command = [screen.WINE_RUN, app.exe if kind == "launcher" else trivial]
                if display is None:
                    subprocess.run(command[:1] + ["cmd.exe", "/c", "exit", "0"], env=env,
                                   stdin=subprocess.DEVNULL, timeout=120)
                    display = Screen()
                start = time.monotonic()
                process = subprocess.Popen(command, env=env, cwd=app.app,
                                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)
                if kind == "launcher":
                    seen = time_until(lambda: display.pixels(points), lambda p: p == expected, start)
                else:
                    seen = time_until(lambda: display.pixels(points),
                                      lambda p: all(c == solid for c in p), start)
                process.wait(120)
                if seen is None:
                    raise SystemExit("%s: no window within a minute" % kind)
                if run > 0:
                    (launcher_times if kind == "launcher" else trivial_times).append(seen)
    finally:
        app.close()
    ms = lambda values: 1000 * statistics.median(values)  # noqa: E731
    print("time from process start to a visible 400x300 window (median of %d, through "
          "cmake/wine-run.sh):" % runs)
    print("  launcher splash: %.0f ms (min %.0f, max %.0f)" % (
        ms(launcher_times), 1000 * min(launcher_times), 1000 * max(launcher_times)))
    print("  trivial program: %.0f ms (min %.0f, max %.0f)" % (
        ms(trivial_times), 1000 * min(trivial_times), 1000 * max(trivial_times)))
    print("  ratio: %.2f" % (statistics.median(launcher_times) / statistics.median(trivial_times)))


if __name__ == "__main__":
    main()
