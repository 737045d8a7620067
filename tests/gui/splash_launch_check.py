#!/usr/bin/env python3
"""The native splash of a real launch, judged on the screen: the launcher starts with the jvm.dll
double beside it, and xwd screenshots show what the user sees.
Usage: splash_launch_check.py [case ...]   (default: every case)"""
import os
import shutil
import subprocess
import sys
import time

import screen
from screen import CONTROLLER, SPLASH_X, SPLASH_Y, App, Screenshot, splash_shown, wait_for

failures = []
# Wine may take many seconds to start a program while other tests load the machine: the first
# program under a fresh server also waits for the server's own services and desktop, which
# took over a minute once on a loaded machine.
APPEAR_SECONDS = 150


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, flush=True)
        # What the screen shows now, for the reader of the failure.
        path = os.path.join(screen.BUILD, "screen-failure-%d.png" % len(failures))
        Screenshot().save_png(path)
        print("  screen now: " + path, flush=True)
        for i, shot in enumerate(screen.last_shots):
            shot.save_png(os.path.join(screen.BUILD, "screen-failure-%d-%02d.png" % (len(failures), i)))
    return condition


# The status line's area (left part of the bitmap, above the bar) and its settings.
STATUS = (SPLASH_X + 16, SPLASH_Y + 200, 300, 40)
TEXT_KEYS = {10111: "Starting up", 10109: "20", 10110: "206", 10114: "0,0,0", 10113: "14",
             10115: "700", 10118: "Version 1.0", 10116: "20", 10117: "272",
             10121: "255,255,255", 10120: "9", 10122: "400"}


def status_area(shot):
    return shot.region(*STATUS)


def dark_pixels(shot, box):
    x0, y0, w, h = box
    return sum(1 for y in range(y0, y0 + h) for x in range(x0, x0 + w)
               if sum(shot.pixel(x, y)) < 150)


def case_controller():
    """Status line drawn, replaced twice by the controller, then action 1 hides the splash."""
    app = App(TEXT_KEYS)
    try:
        idle = "|".join(["0"] * 12)
        app.script_calls([CONTROLLER + ".getAction=" + "|".join([idle, "2", idle, "2", idle, "1"]),
                          CONTROLLER + ".getText=Loading modules|Almost there"])
        app.start({"TESSEL_JVM_MAIN_SLEEP_MS": "9000"})
        first = wait_for(splash_shown, APPEAR_SECONDS)
        if not check(first is not None, "controller: the splash bitmap appears centred"):
            print(app.state())
            return
        check(dark_pixels(first, STATUS) > 30, "controller: the status text is drawn in black")
        bar = (SPLASH_X + 16, SPLASH_Y + 268, 200, 24)
        light = sum(1 for y in range(bar[1], bar[1] + bar[3]) for x in range(bar[0], bar[0] + bar[2])
                    if first.pixel(x, y) == (255, 255, 255))
        check(light > 10, "controller: the version text is drawn in white on the bar")
        texts = [status_area(first)]
        for name in ("first", "second"):
            changed = wait_for(lambda s: splash_shown(s) and status_area(s) != texts[-1], 10)
            if not check(changed is not None, "controller: the %s new text appears" % name):
                return
            texts.append(status_area(changed))
        check(len(set(texts)) == 3, "controller: three different status lines")
        gone = wait_for(lambda s: not splash_shown(s), 10)
        check(gone is not None, "controller: action 1 hides the splash")
        check(app.process.poll() is None, "controller: the application still runs after the hide")
        code, out = app.wait()
        check(code == 0, "controller: the launch ends with 0 (got %s: %s)" % (code, out))
        record = app.recorded()
        check(record.count("DeleteLocalRef \"Loading modules\"") == 1 and
              record.count("DeleteLocalRef \"Almost there\"") == 1,
              "controller: each getText result is released after the copy")
        check("DetachCurrentThread" in record, "controller: the splash thread detaches at the end")
        after_hide = record.split("returns 1")[-1]
        check("getAction" not in after_hide, "controller: no polling after action 1")
    finally:
        app.close()


def case_auto_off():
    """With key 145 the application's first window hides the splash."""
    app = App({145: "1"})
    try:
        app.start({"TESSEL_JVM_MAIN_WINDOW_MS": "1500", "TESSEL_JVM_MAIN_SLEEP_MS": "5000"})
        shown = wait_for(splash_shown, APPEAR_SECONDS)
        if not check(shown is not None, "auto-off: the splash appears"):
            print(app.state())
            return
        gone = wait_for(lambda s: not splash_shown(s), 10)
        check(gone is not None, "auto-off: the splash goes when the application shows a window")
        if gone:
            record = app.recorded()
            check("application window shown" in record,
                  "auto-off: the application's window came first")
            check(gone.taken - shown.taken >= 1.0, "auto-off: the splash stayed until then")
        app.wait()
    finally:
        app.close()


def case_throwing_controller():
    """A controller that throws: each exception is described and cleared, the splash stays and
    the launch goes on."""
    app = App({})
    try:
        app.start({"TESSEL_JVM_THROWS": CONTROLLER + ".getAction",
                   "TESSEL_JVM_MAIN_SLEEP_MS": "3000"})
        if not check(wait_for(splash_shown, APPEAR_SECONDS) is not None,
                     "throwing: the splash appears"):
            print(app.state())
        time.sleep(1.0)
        check(splash_shown(Screenshot()), "throwing: the splash stays up")
        code, out = app.wait()
        record = app.recorded()
        check(code == 0, "throwing: the launch ends with 0 (got %s: %s)" % (code, out))
        calls = record.count("TesselController.getAction")
        check(calls >= 3, "throwing: polling goes on after an exception (%d calls)" % calls)
        check(record.count("ExceptionClear") + record.count("ExceptionDescribe") >= calls,
              "throwing: every exception is cleared")
        check("unexpected call" not in record, "throwing: no JNI call with a pending exception")
    finally:
        app.close()


def box_windows(caption):
    """X windows named like the caption (the error box), as xdotool finds them."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % caption],
                           capture_output=True, text=True, timeout=20,
                           env=dict(os.environ, DISPLAY=screen.display()))
    return found.stdout.split()


def case_error_box():
    """A failed start hides the splash; its error box stays until the user closes it, then the
    launcher ends with 1."""
    caption = "tessel splash error %d" % os.getpid()
    app = App({107: "1", 1000: caption, 1005: "The Java virtual machine could not be started"},
              java_seconds=2)
    try:
        app.start({"TESSEL_JVM_CREATE_RESULT": "-1"})
        if not check(wait_for(splash_shown, APPEAR_SECONDS) is not None,
                     "error box: the splash appears first"):
            print(app.state())
            return
        check(wait_for(lambda s: not splash_shown(s), 20) is not None,
              "error box: the error hides the splash")
        end = time.monotonic() + 20
        while not box_windows(caption) and time.monotonic() < end:
            time.sleep(0.1)
        if not check(box_windows(caption), "error box: the message box appears"):
            return
        time.sleep(2.0)  # many timer ticks: time for the splash thread to end
        boxes = box_windows(caption)
        check(boxes, "error box: the box is still there after the splash thread ended")
        check(app.process.poll() is None, "error box: the launcher waits for the user")
        if boxes:
            x = dict(os.environ, DISPLAY=screen.display())
            subprocess.run(["xdotool", "key", "--window", boxes[0], "Return"], timeout=20, env=x)
            time.sleep(1)
            if box_windows(caption):  # the key went elsewhere: focus the box first
                subprocess.run(["xdotool", "windowactivate", "--sync", boxes[0], "key", "Return"],
                               timeout=20, env=x, capture_output=True)
        code, out = app.wait(30)
        check(code == 1, "error box: closing it ends the launch with 1 (got %s: %s)" % (code, out))
    finally:
        app.close()


def case_runtime_splash():
    """Key 10123: the runtime's splashscreen.dll shows the image once the runtime is found, the
    Java side gets the text-line settings, and no native window appears."""
    app = App({10123: "1", 10111: "Starting up", 10109: "20", 10110: "206"})
    try:
        library = os.path.join(screen.BUILD, "tests", "doubles", "splashscreen_dll",
                               "splashscreen_double", "bin", "splashscreen.dll")
        shutil.copy(library, os.path.join(app.app, "jre", "bin"))
        calls = os.path.join(app.work, "splash-calls.txt")
        app.start({"TESSEL_SPLASH_RECORD": screen.windows_path(calls),
                   "TESSEL_JVM_MAIN_SLEEP_MS": "1500"})
        native = wait_for(splash_shown, 4)
        check(native is None, "runtime splash: no native splash window")
        code, out = app.wait()
        check(code == 0, "runtime splash: the launch ends with 0 (got %s: %s)" % (code, out))
        try:
            with open(calls) as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            lines = []
        # The template carries no raw image: the library is asked to show nothing.
        check(lines[:2] == ["SplashInit", "SplashLoadMemory 0000000000000000 0 00000000"],
              "runtime splash: SplashInit, then SplashLoadMemory without an image (%s)" % lines)
        record = app.recorded()
        config = [line for line in record.splitlines() if "initAwtSplashConfig" in line]
        check(any('"Starting up", 20, 206' in line for line in config),
              "runtime splash: the status line settings reach the Java side (%s)" % config)
    finally:
        app.close()


# A real runtime's DestroyJavaVM waits for every thread attached as a non-daemon; so does the
# jvm.dll double, which gives up after this long and ends the launch with 98.
DESTROY_LIMIT = {"TESSEL_JVM_DESTROY_LIMIT_MS": "10000"}


def check_main_returns_with_splash_up(name, keys, environment):
    """main returns while the splash is still up: the launch ends at once with 0, and the
    splash goes with it."""
    app = App(keys)
    try:
        env = dict(DESTROY_LIMIT, TESSEL_JVM_MAIN_SLEEP_MS="2000")
        env.update(environment)
        app.start(env)
        if not check(wait_for(splash_shown, APPEAR_SECONDS) is not None,
                     "%s: the splash appears" % name):
            print(app.state())
            return
        code, out = app.wait(60)
        record = app.recorded()
        check(code == 0, "%s: the launch ends with 0 (got %s: %s)" % (name, code, out))
        check("non-daemon thread still attached" not in record,
              "%s: DestroyJavaVM does not wait for the splash thread" % name)
        check("AttachCurrentThreadAsDaemon" in record,
              "%s: the splash thread attached as a daemon (%s)" % (name, record[-600:]))
        check("DestroyJavaVM" in record, "%s: the machine was destroyed" % name)
        check(wait_for(lambda s: not splash_shown(s), 10) is not None,
              "%s: the splash is gone with the process" % name)
    finally:
        app.close()


def case_console_tool():
    check_main_returns_with_splash_up("console tool", {107: "2"}, {})


def case_no_hide():
    """Auto-off switched off and no hide from the application: its window comes and main
    returns with the splash still up."""
    check_main_returns_with_splash_up("no hide", {145: "0"}, {"TESSEL_JVM_MAIN_WINDOW_MS": "500"})


def case_missing_controller():
    check_main_returns_with_splash_up("missing controller", {},
                                      {"TESSEL_JVM_MISSING": CONTROLLER})


CASES = {"controller": case_controller, "auto_off": case_auto_off,
         "throwing": case_throwing_controller, "error_box": case_error_box,
         "runtime_splash": case_runtime_splash, "console_tool": case_console_tool,
         "no_hide": case_no_hide, "missing_controller": case_missing_controller}

if __name__ == "__main__":
    for name in sys.argv[1:] or CASES:
        print("== " + name, flush=True)
        CASES[name]()
    if failures:
        sys.exit(1)
    print("all splash checks passed")
