#!/usr/bin/env python3
"""The native splash at display scales 100 %, 150 % and 200 %: applications built by the tool
with scaled variants beside their splash bitmap, started under a prefix of their own whose
LogPixels is set (and its Wine server restarted, so that Wine reports that scale). Screenshots
show the window's size and which image was painted; the status line grows with the scale.
Usage: splash_hidpi_check.py [--docs DIR [--docs-only]]   (DIR receives splash-100.png and
splash-200.png; --docs-only takes only those)"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

os.environ["TESSEL_WINE_PREFIX"] = "wineprefix-hidpi"  # before screen reads it
import screen  # noqa: E402
from screen import SCREEN_W, SCREEN_H, Screenshot, wait_for  # noqa: E402

PREFIX = os.path.join(screen.BUILD, "wineprefix-hidpi")
TOOL = os.path.join(screen.DIST, "tessel")
APPEAR_SECONDS = 150
failures = []

RED, BLUE, GREEN, WHITE = (200, 30, 30), (30, 60, 200), (40, 160, 60), (255, 255, 255)


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, flush=True)
        path = os.path.join(screen.BUILD, "hidpi-failure-%d.png" % len(failures))
        Screenshot().save_png(path)
        print("  screen now: " + path, flush=True)
    return condition


def write_bmp(path, rows):
    """24-bit bottom-up BMP of rows of (r, g, b)."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + bytes(stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def halves(w, h, left):
    """Left half one colour, right half white: the border shows how the image was scaled."""
    return [[left if x < w // 2 else WHITE for x in range(w)] for y in range(h)]


def set_scale(log_pixels):
    env = screen.wine_environment()
    subprocess.run([screen.WINE_RUN, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                    "/t", "REG_DWORD", "/d", str(log_pixels), "/f"], env=env, check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, timeout=120)
    # Wine reports the new scale to programs of a new server only.
    env = dict(env, WINEPREFIX=PREFIX)
    subprocess.run(["wineserver", "-k"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    subprocess.run(["wineserver", "-w"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


class Built:
    """app.exe built by the tool from a project with splash images, with the runtime doubles;
    java.exe hangs so that the splash stays up."""

    def __init__(self, images, status=None, extra=""):
        self.work = tempfile.mkdtemp(prefix="tessel-hidpi-")
        app = os.path.join(self.work, "app")
        os.makedirs(os.path.join(app, "jre", "bin", "server"))
        doubles = os.path.join(screen.BUILD, "tests", "doubles")
        shutil.copy(os.path.join(doubles, "java_exe", "java.exe"), os.path.join(app, "jre", "bin"))
        with open(os.path.join(app, "jre", "bin", "java.exe.cfg"), "w") as f:
            f.write('line=java version "1.8.0_60"\nexit=0\nhang=20\n')
        shutil.copy(os.path.join(doubles, "jvm_dll", "jvm.dll"), os.path.join(app, "jre", "bin", "server"))
        for name, rows in images.items():
            write_bmp(os.path.join(self.work, name), rows)
        self.title = "tessel hidpi %d %s" % (os.getpid(), os.path.basename(self.work))
        project = ('[application]\nname = "%s"\n[java]\nmain_class = "demo.Main"\n'
                   'search_sequence = "B.\\\\jre;"\n[splash]\nenabled = true\n%s'
                   '[identity]\nsplash_bitmap = "splash.bmp"\n%s' % (self.title, status or "", extra))
        with open(os.path.join(self.work, "app.toml"), "w") as f:
            f.write(project)
        self.exe = os.path.join(app, "app.exe")
        subprocess.run([TOOL, "build", os.path.join(self.work, "app.toml"), "-o", self.exe],
                       check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, timeout=120)
        self.process = None

    def start(self):
        env = screen.wine_environment({"TESSEL_LOG": "yes", "WINE_TIMEOUT": "60"})
        self.process = subprocess.Popen([screen.WINE_RUN, self.exe], env=env,
                                        cwd=os.path.dirname(self.exe), stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)
        # The hanging version query outlives the launcher: end every program of the prefix.
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=PREFIX),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        shutil.rmtree(self.work, ignore_errors=True)


def window_box(shot, colour):
    """The bounding box (x, y, w, h) of the pixels of the colour; None when there are none."""
    xs, ys = [], []
    for y in range(0, shot.height, 2):
        for x in range(0, shot.width, 2):
            if shot.pixel(x, y) == colour:
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return min(xs), min(ys), max(xs) - min(xs) + 2, max(ys) - min(ys) + 2


def shown(colour, width, height):
    """A condition: the window of that size, centred, its left half in the colour."""
    x0, y0 = (SCREEN_W - width) // 2, (SCREEN_H - height) // 2

    def condition(shot):
        return (shot.pixel(x0 + 2, y0 + 2) == colour and shot.pixel(x0 + width // 2 - 3, y0 + height - 3) == colour
                and shot.pixel(x0 + width - 3, y0 + 2) == WHITE)
    return condition


def text_rows(shot, box):
    """The rows of the box that hold dark (text) pixels: first and last."""
    x0, y0, w, h = box
    rows = [y for y in range(y0, y0 + h) if any(sum(shot.pixel(x, y)) < 200 for x in range(x0, x0 + w))]
    return (rows[0], rows[-1]) if rows else None


STATUS = ('[splash.status_line]\ntext = "Starting"\nx = 110\ny = 20\nsize = 12\nweight = 700\n'
          'colour = "0,0,0"\nfont = "Arial"\n')


def run_case(name, log_pixels, images, expect_colour, width, height, status=None, after=None):
    print("--- %s: LogPixels %d" % (name, log_pixels), flush=True)
    set_scale(log_pixels)
    built = Built(images, status)
    try:
        built.start()
        shot = wait_for(shown(expect_colour, width, height), APPEAR_SECONDS)
        if not check(shot is not None, "%s: a %d x %d splash showing the expected image" % (name, width, height)):
            return None
        box = window_box(shot, expect_colour)
        x0, y0 = (SCREEN_W - width) // 2, (SCREEN_H - height) // 2
        check(abs(box[0] - x0) <= 2 and abs(box[1] - y0) <= 2 and abs(box[3] - height) <= 3,
              "%s: the image fills the window's left half from its corner (%s)" % (name, box))
        check(shot.pixel(x0 + width, y0 + height // 2) != WHITE and
              shot.pixel(x0 + width // 2, y0 + height) != expect_colour,
              "%s: the window ends at %d x %d" % (name, width, height))
        if after:
            after(shot, x0, y0)
        return shot
    finally:
        built.close()


def blended_border(shot, x0, y0, width, height):
    """Pixels between the colour and white at the border: scaled smoothly, not repeated."""
    row = [shot.pixel(x, y0 + height // 2) for x in range(x0 + width // 2 - 4, x0 + width // 2 + 4)]
    return any(p not in (RED, WHITE) for p in row)


def main():
    docs = sys.argv[sys.argv.index("--docs") + 1] if "--docs" in sys.argv else None
    if "--docs-only" in sys.argv:
        shoot_docs(docs)
        set_scale(96)
        sys.exit(1 if failures else 0)
    plain, variant2, variant150 = halves(200, 120, RED), halves(400, 240, BLUE), halves(300, 180, GREEN)
    marks = {}

    def text_at(scale):
        def after(shot, x0, y0):
            marks[scale] = text_rows(shot, (x0 + scale * 110 // 100, y0, 200 * scale // 100 - scale * 110 // 100 - 2,
                                            120 * scale // 100))
        return after

    run_case("100 %, variants beside", 96, {"splash.bmp": plain, "splash@2x.bmp": variant2},
             RED, 200, 120, STATUS, text_at(100))
    run_case("200 %, the @2x variant", 192, {"splash.bmp": plain, "splash@2x.bmp": variant2},
             BLUE, 400, 240, STATUS, text_at(200))
    if check(marks.get(100) and marks.get(200), "the status line is drawn at both scales (%s)" % marks):
        (top1, bottom1), (top2, bottom2) = marks[100], marks[200]
        check(abs((top2 - (SCREEN_H - 240) // 2) - 2 * (top1 - (SCREEN_H - 120) // 2)) <= 4,
              "the status line's position doubles at 200 %% (%s)" % marks)
        ratio = (bottom2 - top2 + 1) / (bottom1 - top1 + 1)
        check(1.6 <= ratio <= 2.5, "the status line's font doubles at 200 %% (height ratio %.2f)" % ratio)
    run_case("150 %, the @2x variant scaled down", 144,
             {"splash.bmp": plain, "splash@2x.bmp": variant2}, BLUE, 300, 180)
    run_case("150 %, its own variant", 144,
             {"splash.bmp": plain, "splash@150pct.bmp": variant150, "splash@2x.bmp": variant2},
             GREEN, 300, 180)
    run_case("200 %, only the plain image, scaled up smoothly", 192, {"splash.bmp": plain}, RED, 400, 240,
             after=lambda shot, x0, y0: check(blended_border(shot, x0, y0, 400, 240),
                                              "200 %: the plain image is scaled smoothly"))
    if docs:
        shoot_docs(docs)
    set_scale(96)
    if failures:
        print("%d failure(s)" % len(failures))
        sys.exit(1)
    print("all cases passed")


def shoot_docs(docs):
    """The README's pictures: the template's design at 100 % and, from its @2x variant, at 200 %."""
    design = screen.make_images.splash_pixels()
    double = [[p for p in row for _ in (0, 1)] for row in design for _ in (0, 1)]
    demo = ('[splash.status_line]\ntext = "Starting..."\nx = 24\ny = 212\nsize = 13\nweight = 700\n'
            'colour = "0,0,0"\nfont = "Arial"\n[splash.version_line]\ntext = "tessel demo 1.0"\n'
            'x = 24\ny = 274\nsize = 9\nweight = 400\ncolour = "255,255,255"\nfont = "Arial"\n')
    for log_pixels, scale in ((96, 100), (192, 200)):
        set_scale(log_pixels)
        built = Built({"splash.bmp": design, "splash@2x.bmp": double}, demo)
        try:
            built.start()
            w, h = 400 * scale // 100, 300 * scale // 100
            x0, y0 = (SCREEN_W - w) // 2, (SCREEN_H - h) // 2
            image = design if scale == 100 else double
            shot = wait_for(lambda s: s.pixel(x0 + 5, y0 + 5) == image[5][5] and
                            s.pixel(x0 + w - 5, y0 + h - 5) == image[-5][-5], APPEAR_SECONDS)
            if check(shot is not None, "docs: the demo splash at %d %%" % scale):
                time.sleep(0.5)
                Screenshot().save_png(os.path.join(docs, "splash-%d.png" % scale), x0, y0, w, h)
        finally:
            built.close()


if __name__ == "__main__":
    main()
