#!/usr/bin/python3
"""The Windows release under Wine, in one run under its own Xvfb (not a test: it prints
figures, it asserts nothing): frames a second and the CPU share of the game's process on
the title screen and in a match, and what three clicks of 100 ms on the difficulty do.

  bench/wine_bench.py ZIP [--size 1024x768] [--refresh HZ] [--d3d NAME=VALUE]

The zip is unpacked into a temp folder and played with a new Wine prefix. Frames are
the game's calls of WaitForVerticalBlank (one a frame), counted in Wine's ddraw trace; the
CPU share is the process's utime + stime (/proc/PID/stat, every thread) over real time,
both over 5 s. --refresh gives the Xvfb a mode with a monitor's timings at that rate (its
own has none, for which Wine reports 0); --d3d sets a value under Wine's Direct3D key in
the prefix (csmt=0, say). The title screen is measured 2 s after it shows, then three
clicks of 100 ms on the difficulty value, each followed by 1.5 s of rest; the match (one
player, served) 3.5 s after it starts, with five readings of its HUD's "FPS : N".
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"

def thread_times(pid):
    """{thread id: (name, CPU seconds)} of every thread of pid."""
    out = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            path = "/proc/%d/task/%s/stat" % (pid, tid)
            name = open(path).read().split("(", 1)[1].rsplit(")", 1)[0]
            out[tid] = (name, harness.cpu_seconds(path))
        except OSError:
            pass
    return out


def main():
    p = argparse.ArgumentParser()
    p.add_argument("zip")
    p.add_argument("--size", default="1024x768")
    p.add_argument("--refresh", type=int)
    p.add_argument("--d3d")
    p.add_argument("--build", default=os.path.join(ROOT, "build"))
    args = p.parse_args()
    w, h = map(int, args.size.split("x"))
    harness._config = harness.Config(None, None, None, os.path.join(args.build, "assets"),
                                     os.path.join(args.build, "tests", "e2e", "e2e_font_dump"),
                                     "e2e-artifacts")
    folder = tempfile.mkdtemp(prefix="tabrivet-wine-bench-")
    xserver = harness.XServer(w, h).start()
    env = dict(os.environ, DISPLAY=xserver.display, HOME=folder, WINEDEBUG="-all",
               WINEPREFIX=os.path.join(folder, "prefix"), WINEDLLOVERRIDES="mscoree,mshtml=")
    with open(os.path.join(folder, ".asoundrc"), "w") as f:
        f.write('pcm.!default {\n  type file\n  slave.pcm "null"\n  file "/dev/null"\n'
                '  format "raw"\n}\n')
    game = None
    try:
        if args.refresh:
            # The VESA 1024x768 totals, scaled: the rate is the clock over the total pixels.
            ht, vt = w + 288, h + 32
            name = "%dx%d_%d" % (w, h, args.refresh)
            for a in (["--newmode", name, "%.3f" % (args.refresh * ht * vt / 1e6), w, w + 16,
                       w + 112, ht, h, h + 1, h + 4, vt],
                      ["--addmode", "screen", name], ["--output", "screen", "--mode", name]):
                subprocess.run(["xrandr"] + [str(x) for x in a], env=env, check=True)
        subprocess.run([WINE, "wineboot", "--init"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        if args.d3d:
            key, value = args.d3d.split("=")
            subprocess.run([WINE, "reg", "add", r"HKCU\Software\Wine\Direct3D", "/v", key,
                            "/t", "REG_DWORD" if value.isdigit() else "REG_SZ", "/d", value,
                            "/f"], env=env, check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=env)
        with zipfile.ZipFile(args.zip) as z:
            z.extractall(os.path.join(folder, "app"))
            top = z.namelist()[0].split("/")[0]
        trace = os.path.join(folder, "trace")
        env["WINEDEBUG"] = "-all,trace+ddraw"
        with open(trace, "wb") as err:
            game = subprocess.Popen([WINE, os.path.join(folder, "app", top, "tabrivet.exe")],
                                    cwd=folder, env=env, stdout=subprocess.DEVNULL,
                                    stderr=err, start_new_session=True)

        def game_window():
            g = harness.window_geometry(env, "Tabrivet")
            return g if g and (g["w"], g["h"]) == (640, 480) else None
        at = harness.wait_until(game_window, 60, 0.2, "the game's window")

        def shot():
            return harness.root_screenshot(env).crop(at["x"], at["y"], 640, 480)

        def frames():
            with open(trace, "rb") as f:
                return f.read().count(b"ddraw2_WaitForVerticalBlank")

        def measure(what, seconds=5.0):
            stat = "/proc/%d/stat" % game.pid
            th0, c0, f0 = thread_times(game.pid), harness.cpu_seconds(stat), frames()
            t0 = time.monotonic()
            time.sleep(seconds)
            th1, c1, f1 = thread_times(game.pid), harness.cpu_seconds(stat), frames()
            t1 = time.monotonic()
            print("%s: %.1f frames a second, %.1f%% of a core" % (what, (f1 - f0) / (t1 - t0),
                                                                100 * (c1 - c0) / (t1 - t0)))
            for tid, (name, c) in sorted(th1.items()):
                if tid in th0 and c - th0[tid][1] >= 0.01 * (t1 - t0):
                    print("  thread %s (%s): %.1f%%" % (tid, name,
                                                       100 * (c - th0[tid][1]) / (t1 - t0)))

        harness.wait_until(lambda: harness.Game.is_title(shot()), 60, 0.2, "the title screen")
        time.sleep(2)
        measure("title screen")

        away = ("mousemove", at["x"] + 600, at["y"] + 470)
        values = [harness.font().read(shot(), 218, 285, 10).rstrip()]
        for _ in range(3):
            harness.xdotool(env, "mousemove", at["x"] + 238, at["y"] + 289, "mousedown", 1,
                            "sleep", 0.1, "mouseup", 1, *away)
            time.sleep(1.5)
            values.append(harness.font().read(shot(), 218, 285, 10).rstrip())
        print("difficulty after each click of 100 ms: " + " -> ".join(values))

        harness.xdotool(env, "keydown", "Return", "sleep", 0.12, "keyup", "Return")
        harness.wait_until(lambda: harness.font().read(shot(), 5, 16, 10) == "Ordinateur",
                           30, 0.2, "the match")
        started = time.monotonic()
        harness.xdotool(env, "keydown", "space", "sleep", 0.12, "keyup", "space")
        time.sleep(max(0.0, started + 3.5 - time.monotonic()))
        measure("match")
        readings = []
        for _ in range(5):
            readings.append(harness.font().read(shot(), 200, 5, 10).strip())
            time.sleep(0.7)
        print("match HUD: " + ", ".join(readings))
    finally:
        if game:
            subprocess.run([WINESERVER, "-k"], env=env)
            game.wait(30)
        xserver.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
