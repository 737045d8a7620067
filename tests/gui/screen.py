"""Screen access for the splash scripts: applications built from the template with the jvm.dll
double beside them, started under the build tree's Xvfb, and xwd screenshots read as pixels."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

SOURCE = os.environ.get("TESSEL_SOURCE_DIR") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.environ.get("TESSEL_BUILD_DIR") or os.path.join(SOURCE, "build", "win")
DIST = os.environ.get("TESSEL_DIST") or os.path.join(SOURCE, "build", "dist")
WINE_RUN = os.path.join(SOURCE, "cmake", "wine-run.sh")
sys.path.insert(0, os.path.join(SOURCE, "launcher", "resources"))
import make_images  # noqa: E402  (the template's default bitmap, pixel by pixel)

SCREEN_W, SCREEN_H = 1024, 768
SPLASH_W, SPLASH_H = make_images.WIDTH, make_images.HEIGHT
SPLASH_X, SPLASH_Y = (SCREEN_W - SPLASH_W) // 2, (SCREEN_H - SPLASH_H) // 2
CONTROLLER = "com/tessel/runtime/TesselController"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_environment(extra=None):
    env = dict(os.environ, WINE_GUI="1", TESSEL_WINE_ROOT=BUILD)
    env.update(extra or {})
    return env


def display():
    with open(os.path.join(BUILD, "xvfb.display")) as f:
        return f.read().strip()


class Screenshot:
    """One xwd picture of the root window, as rows of (r, g, b)."""

    def __init__(self):
        for attempt in range(5):
            # xwd fails now and then while a window appears or goes; take another picture
            taken = subprocess.run(["xwd", "-root", "-silent", "-display", display()],
                                   capture_output=True, timeout=20)
            if taken.returncode == 0:
                break
            print("xwd: " + taken.stderr.decode(errors="replace").strip(), flush=True)
            time.sleep(0.02)
        taken.check_returncode()
        xwd = taken.stdout
        ppm = subprocess.run(["xwdtopnm"], input=xwd, check=True, capture_output=True,
                             timeout=20).stdout
        fields, offset = [], 0
        while len(fields) < 4:  # magic, width, height, maximum
            while ppm[offset:offset + 1].isspace():
                offset += 1
            end = offset
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[offset:end])
            offset = end
        assert fields[0] == b"P6" and fields[3] in (b"255", b"65535"), fields
        self.width, self.height = int(fields[1]), int(fields[2])
        data = ppm[offset + 1:]
        # 16-bit samples (v * 257, big-endian): the high byte is the 8-bit value
        self.pixels = data if fields[3] == b"255" else data[0::2]
        self.taken = time.monotonic()

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])

    def region(self, x, y, w, h):
        return bytes(b for row in range(y, y + h)
                     for b in self.pixels[3 * ((row) * self.width + x):3 * ((row) * self.width + x + w)])

    def save_png(self, path, x=0, y=0, w=None, h=None):
        w, h = w or self.width, h or self.height
        header = b"P6\n%d %d\n255\n" % (w, h)
        png = subprocess.run(["pnmtopng"], input=header + self.region(x, y, w, h),
                             check=True, capture_output=True, timeout=20).stdout
        with open(path, "wb") as f:
            f.write(png)


# Points of the default bitmap away from the text lines: background, tiles of each accent, bar.
EXPECTED = make_images.splash_pixels()
SAMPLES = [(5, 5), (200, 30), (395, 150), (10, 290), (390, 292)]
for tile_y in range(make_images.MOSAIC_TOP + 5, make_images.MOSAIC_TOP + 130, 26):
    SAMPLES.append((make_images.MOSAIC_LEFT + 5, tile_y))
    SAMPLES.append((make_images.MOSAIC_LEFT + 57, tile_y))


def splash_shown(shot):
    """True when every sample point shows the default bitmap at the centred position."""
    return all(shot.pixel(SPLASH_X + x, SPLASH_Y + y) == EXPECTED[y][x] for x, y in SAMPLES)


def splash_mismatches(shot):
    return [((x, y), shot.pixel(SPLASH_X + x, SPLASH_Y + y), EXPECTED[y][x])
            for x, y in SAMPLES if shot.pixel(SPLASH_X + x, SPLASH_Y + y) != EXPECTED[y][x]]


last_shots = []  # the screenshots of the last wait, for a failure's report


def wait_for(condition, seconds, every=0.05):
    """Screenshots until the condition holds for one; that screenshot, or None at the limit."""
    end = time.monotonic() + seconds
    last_shots.clear()
    while True:
        shot = Screenshot()
        last_shots.append(shot)
        del last_shots[:-40]
        if condition(shot):
            return shot
        if time.monotonic() > end:
            return None
        time.sleep(every)


class App:
    """A work folder with app\\app.exe (template + keys) and app\\jre (java.exe and jvm.dll
    doubles). Removed by close()."""

    def __init__(self, keys, tag="splash", java_seconds=0):
        self.work = tempfile.mkdtemp(prefix="tessel-%s-" % tag)
        self.app = os.path.join(self.work, "app")
        server = os.path.join(self.app, "jre", "bin", "server")
        os.makedirs(server)
        os.makedirs(os.path.join(self.work, "tmp"))
        doubles = os.path.join(BUILD, "tests", "doubles")
        shutil.copy(os.path.join(doubles, "java_exe", "java.exe"),
                    os.path.join(self.app, "jre", "bin"))
        with open(os.path.join(self.app, "jre", "bin", "java.exe.cfg"), "w") as f:
            # hang: the version query takes that long, and the splash stays up meanwhile
            f.write('line=java version "1.8.0_60"\nexit=0\nhang=%d\n' % java_seconds)
        shutil.copy(os.path.join(doubles, "jvm_dll", "jvm.dll"), server)
        self.exe = os.path.join(self.app, "app.exe")
        self.record = os.path.join(self.work, "jvm-record.txt")
        self.script = os.path.join(self.work, "jvm-script.txt")
        base = {128: "B.\\jre", 126: "1.6", 122: "demo.Main", 108: "1",
                141: str(SPLASH_W), 142: str(SPLASH_H), 101: "tessel splash %d" % os.getpid()}
        base.update(keys)
        args = ["%d=%s" % kv for kv in base.items()]
        subprocess.run([WINE_RUN, os.path.join(BUILD, "tests", "gui", "make_test_app.exe"),
                        windows_path(os.path.join(DIST, "launcher.exe")),
                        windows_path(self.exe)] + args,
                       check=True, env=wine_environment(), stdin=subprocess.DEVNULL, timeout=120)
        self.process = None

    def script_calls(self, lines):
        with open(self.script, "w") as f:
            f.write("".join(line + "\n" for line in lines))

    def start(self, environment=None):
        env = wine_environment({"TESSEL_JVM_RECORD": windows_path(self.record),
                                "TESSEL_JVM_SCRIPT": windows_path(self.script),
                                "TESSEL_LOG": "yes", "WINE_TIMEOUT": "60"})
        env.update(environment or {})
        # Wine takes TMP from its prefix; the launcher's log goes to the prefix's temp folder.
        self.started = time.monotonic()
        self.started_wall = time.time() - 1
        self.process = subprocess.Popen([WINE_RUN, self.exe], env=env, cwd=self.app,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT)
        return self.process

    def state(self):
        """How far the launch got, for a failure's report: the end of the launcher's log too."""
        running = self.process is not None and self.process.poll() is None
        log = self.launcher_log()
        return "%.1f s after the start: %s; jvm.dll double record %d bytes; launcher log:\n%s" % (
            time.monotonic() - self.started,
            "still running" if running else "ended with %s" % self.process.returncode,
            len(self.recorded()), "\n".join(log.splitlines()[-25:]) if log else "(none yet)")

    def launcher_log(self):
        """The log this launch writes into the prefix's temporary folder (TESSEL_LOG=yes)."""
        prefix = os.environ.get("TESSEL_WINE_PREFIX") or "wineprefix-gui"
        users = os.path.join(BUILD, prefix, "drive_c", "users")
        name = windows_path(self.exe).lower().encode()
        for temp in glob.glob(os.path.join(users, "*", "Temp")):
            for path in sorted(glob.glob(os.path.join(temp, "*")), key=os.path.getmtime, reverse=True):
                try:
                    if os.path.getmtime(path) < self.started_wall or not os.path.isfile(path):
                        continue
                    with open(path, "rb") as f:
                        data = f.read()
                except OSError:
                    continue
                if name in data.split(b"\n", 1)[0].lower():
                    return data.decode("latin-1").replace("\r", "")
        return ""

    def wait(self, seconds=60):
        out, _ = self.process.communicate(timeout=seconds)
        return self.process.returncode, out.decode("utf-8", "replace")

    def recorded(self):
        try:
            with open(self.record, encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)
        shutil.rmtree(self.work, ignore_errors=True)
