#!/usr/bin/env python3
"""Takes the README's picture of the demo's splash: the template's default bitmap with the
demo's status line, as the launcher draws it under the build tree's Xvfb.
Usage (from the Windows build tree): splash_screenshot.py OUT.png"""
import sys

import screen

# The demo's status line (examples/demo/demo.toml) and a version line.
KEYS = {101: "tessel demo", 10111: "Starting...", 10114: "0,0,0", 10109: "24", 10110: "212",
        10112: "Arial", 10113: "13", 10115: "700", 10118: "tessel demo 1.0", 10121: "255,255,255",
        10116: "24", 10117: "274", 10119: "Arial", 10120: "9", 10122: "400"}

app = screen.App(KEYS, tag="splash-shot")
try:
    app.start({"TESSEL_JVM_MAIN_SLEEP_MS": "4000"})
    shot = screen.wait_for(screen.splash_shown, 60)
    if shot is None:
        sys.exit("the splash did not appear")
    shot = screen.Screenshot()  # a moment later, with the text surely drawn
    shot.save_png(sys.argv[1], screen.SPLASH_X, screen.SPLASH_Y, screen.SPLASH_W, screen.SPLASH_H)
    app.wait()
finally:
    app.close()
