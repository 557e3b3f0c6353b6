#!/usr/bin/python3
"""Measures the web page (dist/web/build.sh's folder) in Debian's headless Chromium, served
on 127.0.0.1 (not a test: it prints figures and asserts nothing about time).

  1. Bytes: each file the page loads, raw and as `gzip -9` makes it (what a server that
     compresses sends), and the total.
  2. Start-up: LOADS loads, each in a new browser with a fresh profile (nothing cached):
     from the start of the navigation (performance.now() is counted from there) to the
     first picture on the canvas (the screen is set: the fade from black, 32 black
     frames at start-up, begins) and to the first title frame (the logo's pixels at their
     final colours).
  3. Frames and main-thread time, in one browser: SECONDS on the title screen (before any
     key, so no sound is mixed yet), then SECONDS of a match against the computer, the
     ball served again whenever it is out. In each window: the browser's animation frames
     (a requestAnimationFrame loop of the probe's own) and the game's frames (the times
     the page's paint callback finds the program waiting in vsync() and wakes it), in the
     same window; the renderer's main-thread busy time (DevTools Performance.getMetrics:
     TaskDuration, and ThreadTime, its CPU time) and the CPU time of each Chromium process
     and of the renderer's threads, from /proc. Then the HUD's own "FPS : N"; the match
     again with the page's sound output suspended (as the native game is measured: no
     sound device, nothing mixed); the match after the page was hidden (another tab in
     front) and shown again; and a bare page that only puts a 640x480 picture on a canvas
     at every animation frame, shown at the game's size: the least a frame costs there.
  4. With --phone, instead of 2 and 3: the page on an emulated phone in landscape (DevTools
     device metrics 915x412, mobile, touch only). On the title screen, the difficulty
     changed by the key 2 and by a trusted tap on its value; then a match with music at
     DevTools' CPU throttle of 1x, 4x and 6x, each window as in 3; then, unthrottled,
     serves by the Space key and by the page's serve control. Each input is timed in the
     pictures the page puts, from the input to the key's press in the library's key state
     and to the first picture that shows its effect. And the bytes of every file the page
     and its service worker fetch.

Usage: /usr/bin/python3 bench/web_bench.py [--page DIR] [--build DIR] [--loads N] [--seconds S]
                                           [--phone] [--inputs N]
(Debian's python3-selenium loads only in /usr/bin/python3.) --page is the page's folder
(default build-web/tabrivet-1.4-web), --build the native build whose logo and font the
probe reads (default build).
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")

# Run in the page before its own scripts. Counts the browser's animation frames with a loop
# of its own, and the game's frames as the page's paint callback finds the program waiting
# in vsync() (Module.allegro.frameWaiter set) and wakes it. Of the first KEPT pictures the
# page puts on the canvas it keeps the time and the colours of the logo's SAMPLES, and the
# page's visibility changes with the counts at each.
PROBE = r"""
(function() {
  var b = window.__bench = {raf: 0, wakes: 0, pictures: [], visibility: [], put: 0,
                            timed: null};
  document.addEventListener('visibilitychange', function() {
    b.visibility.push([performance.now(), document.hidden, b.raf, b.wakes]);
  });
  var raf = window.requestAnimationFrame.bind(window);
  raf(function count() { b.raf++; raf(count); });
  window.requestAnimationFrame = function(callback) {
    return raf(function(t) {
      var web = window.Module && Module.allegro;
      if (web && web.frameWaiter)
        b.wakes++;
      callback(t);
    });
  };
  var put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function(image) {
    b.put++;
    var t = b.timed;
    if (t && t.input !== null && t.drawn === null && t.changed(image))
      t.drawn = b.put;
    if (t && t.input === null) {
      t.before = t.look(image);
      t.seen = true;
    }
    if (b.pictures.length < KEPT)
      b.pictures.push({t: performance.now(), logo: SAMPLES.map(function(p) {
        var i = 4 * (p[1] * image.width + p[0]);
        return [image.data[i], image.data[i + 1], image.data[i + 2]];
      })});
    return put.apply(this, arguments);
  };
  // An input timed from its arrival (the first touch or key after arming) to the library's
  // key state (the key's press reaching the keyboard driver's handler) and to the first
  // picture that shows its effect: the ball off the centre (the waiting ball's pixels
  // changed), or a box of the picture changed from the last picture before the input.
  function input() {
    var t = b.timed;
    if (t && t.input === null) {
      t.input = b.put;
      t.framesIn = Module.allegro.frames;
    }
  }
  window.addEventListener('pointerdown', input, true);
  window.addEventListener('keydown', input, true);
  function ballMoved(image) {
    var off = 0;
    BALL.forEach(function(p) {
      var i = 4 * (p[1] * image.width + p[0]);
      for (var c = 0; c < 3; c++)
        if (Math.abs(image.data[i + c] - p[2][c]) > 24) { off++; break; }
    });
    return off > BALL.length / 2;
  }
  function box(image, x, y, w, h) {
    var out = [];
    for (var j = y; j < y + h; j++)
      for (var i = x; i < x + w; i++) {
        var at = 4 * (j * image.width + i);
        out.push(image.data[at], image.data[at + 1]);
      }
    return out.join();
  }
  b.arm = function(scancode, area) {
    if (!Module.__web_key_event.timed) {
      var handle = Module.__web_key_event;
      Module.__web_key_event = function(code, pressed) {
        var t = b.timed;
        if (t && code == t.scancode && pressed && t.input !== null && t.key === null) {
          t.key = b.put;
          t.framesKey = Module.allegro.frames;
        }
        return handle.apply(this, arguments);
      };
      Module.__web_key_event.timed = true;
    }
    var t = b.timed = {input: null, key: null, drawn: null, scancode: scancode, before: null,
                       seen: false};
    t.look = area ? function(image) { return box.apply(null, [image].concat(area)); }
                  : function() { return null; };
    t.changed = area ? function(image) { return t.look(image) !== t.before; } : ballMoved;
  };
})();
"""
KEPT = 300  # pictures kept from the start: 5 s at 60 Hz, long after the fade
CENTRE = (320, 240)  # where the ball waits for a serve
SPACE, KEY_2 = 75, 29  # the library's KEY_SPACE and KEY_2
DIFFICULTY = (252, 289)  # on every difficulty value, right of its first letters
VALUE_BOX = [218, 285, 24, 8]  # those letters, left of the pointer a tap there puts
PHONE = (915, 412)  # a phone in landscape, in CSS px
PHONE_SCALE = 3.5  # its device pixels to a CSS px

# The least a frame of the page can cost: a 640x480 picture put on a canvas at every
# animation frame, shown at the size and in the place index.html gives the game's.
BARE = b"""<!DOCTYPE html>
<!-- The bare page: a 640x480 picture put on a canvas at every animation frame. -->
<style>
  html, body { margin: 0; height: 100%; background: #000; overflow: hidden; font: 14px sans-serif; }
  #stage { position: absolute; inset: 0 0 2em 0; display: flex; align-items: center;
           justify-content: center; }
  canvas { display: block; image-rendering: pixelated; }
</style>
<div id="stage"><canvas width="640" height="480"></canvas></div>
<script>
var canvas = document.querySelector("canvas"), stage = document.getElementById("stage");
var scale = Math.min(stage.clientWidth / 640, stage.clientHeight / 480);
canvas.style.width = Math.floor(640 * scale) + "px";
canvas.style.height = Math.floor(480 * scale) + "px";
var context = canvas.getContext("2d", { alpha: false });
var pixels = new Uint8ClampedArray(640 * 480 * 4), n = 0;
for (var i = 0; i < pixels.length; i++)
  pixels[i] = (i & 3) == 3 ? 255 : (i * 7) & 63;
requestAnimationFrame(function paint() {
  requestAnimationFrame(paint);
  pixels[4 * (n++ % (640 * 480))] ^= 255;  // a picture that changes, as the game's does
  context.putImageData(new ImageData(pixels, 640, 480), 0, 0);
});
</script>
"""


def probe_source(assets):
    logo = harness.Sprite(os.path.join(assets, "logo.bmp"))
    samples = [[x, y] for x, y, _ in logo.opaque[::max(1, len(logo.opaque) // 32)][:32]]
    ball = harness.Sprite(os.path.join(assets, "ball.bmp"))
    left, top = CENTRE[0] - ball.w // 2, CENTRE[1] - ball.h // 2
    waiting = [[left + x, top + y, list(c)] for x, y, c in ball.opaque]
    return (PROBE.replace("KEPT", str(KEPT)).replace("SAMPLES", repr(samples))
            .replace("BALL", repr(waiting)))


# --- bytes ---------------------------------------------------------------------------


def sizes(folder, names):
    rows = []
    for name in names:
        path = os.path.join(folder, name)
        gz = subprocess.run(["gzip", "-9", "-c", path], check=True, stdout=subprocess.PIPE)
        rows.append((name, os.path.getsize(path), len(gz.stdout)))
    return rows


# --- start-up ------------------------------------------------------------------------


def load_once(folder, source):
    """One load in a new browser: (first picture, first title frame) in ms from the
    navigation's start, and the names of the files the page fetched."""
    server = harness.Server(folder)
    driver = harness.chromium()
    try:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": source})
        driver.get(server.url + "index.html")
        harness.wait_until(lambda: driver.execute_script(
            "return window.__bench && __bench.pictures.length >= %d" % KEPT), 60, 0.2,
            "%d pictures on the canvas" % KEPT)
        pictures, fetched = driver.execute_script(
            "return [__bench.pictures, performance.getEntriesByType('resource')"
            ".map(function(e) { return e.name; })]")
    finally:
        driver.quit()
        server.stop()
    final = pictures[-1]["logo"]
    title = next(p["t"] for p in pictures if p["logo"] == final)
    names = ["index.html"] + [u.rsplit("/", 1)[1] for u in fetched]
    return (pictures[0]["t"], title), names


# --- frames and CPU time -------------------------------------------------------------


def descendants(pid):
    children = {}
    for p in os.listdir("/proc"):
        if p.isdigit():
            try:
                with open("/proc/%s/stat" % p) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(ppid, []).append(int(p))
            except OSError:
                pass
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo.extend(children.get(p, []))
    return out


def kind(pid):
    """Which Chromium process: browser, renderer, gpu-process, utility:<service>..."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:  # children rewrite theirs
            args = f.read().decode(errors="replace").replace("\0", " ").split()
    except OSError:
        return None
    if not args[0].endswith("chromium"):
        return None
    t = next((a.split("=", 1)[1] for a in args if a.startswith("--type=")), "browser")
    if t == "utility":
        sub = next((a.split("=", 1)[1] for a in args if a.startswith("--utility-sub-type=")), "")
        t += ":" + sub.split(".")[0]
    return t


def cpu_ticks(root):
    """CPU ticks (user + system) by (process kind, thread): the renderer's threads by
    name ("main" for its main thread), every other process as a whole."""
    out = {}
    for pid in descendants(root):
        k = kind(pid)
        if k is None:
            continue
        try:
            tids = os.listdir("/proc/%d/task" % pid)
        except OSError:
            continue
        for tid in tids:
            try:
                with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                    comm, rest = f.read().split("(", 1)[1].rsplit(")", 1)
            except OSError:
                continue
            fields = rest.split()
            name = ("main" if int(tid) == pid else comm) if k == "renderer" else ""
            out[(k, name)] = out.get((k, name), 0) + int(fields[11]) + int(fields[12])
    return out


class Window:
    """What the page did between start() and stop(): frames, main-thread time, CPU."""

    def __init__(self, game):
        self.game = game

    def snapshot(self):
        d = self.game.driver
        counts = self.game.js("return [performance.now(), __bench.raf, __bench.wakes]")
        metrics = {m["name"]: m["value"]
                   for m in d.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]}
        return counts, metrics, cpu_ticks(d.service.process.pid)

    def start(self):
        self.before = self.snapshot()
        return self

    def stop(self):
        (t0, raf0, wakes0), m0, c0 = self.before
        (t1, raf1, wakes1), m1, c1 = self.snapshot()
        self.seconds = (t1 - t0) / 1000
        self.raf, self.frames = raf1 - raf0, wakes1 - wakes0
        span = m1["Timestamp"] - m0["Timestamp"]
        self.busy = {n: (m1[n] - m0[n]) / span for n in ("TaskDuration", "ScriptDuration",
                                                         "ThreadTime", "ProcessTime")}
        self.cpu = {k: (c1.get(k, 0) - c0.get(k, 0)) / TICK / span for k in c1}
        return self

    def report(self, name):
        fps, raf = self.frames / self.seconds, self.raf / self.seconds
        if self.frames:
            print("%s, %.1f s: game %.2f frames a second, animation frames %.2f a second, "
                  "ratio %.3f" % (name, self.seconds, fps, raf, fps / raf))
        else:
            print("%s, %.1f s: animation frames %.2f a second" % (name, self.seconds, raf))
        per_frame = 1000.0 / (fps or raf)
        for n, share in self.busy.items():
            print("  %-14s %5.1f%% of a core, %.2f ms a frame"
                  % (n, 100 * share, share * per_frame))
        for (k, thread), share in sorted(self.cpu.items(), key=lambda kv: -kv[1]):
            if share >= 0.001:
                print("  CPU %-28s %5.1f%% of a core, %.2f ms a frame"
                      % (k + (" " + thread if thread else ""), 100 * share, share * per_frame))


class BenchPage(harness.PageGame):
    """The page in Chromium with the probe and DevTools' performance metrics on, and none of
    the tests' own probe (it copies every chunk of sound the page posts)."""

    def __init__(self, folder, source, page="index.html"):
        super().__init__(folder, name="web-bench")
        self.source, self.page = source, page

    def start(self):
        self.dir = tempfile.mkdtemp(prefix="tabrivet-web-bench-")
        try:
            self.server = harness.Server(self.folder, {"bare.html": BARE})
            self.driver = harness.chromium()
            self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                        {"source": self.source})
            self.driver.execute_cdp_cmd("Performance.enable", {})
            self.open(self.page)
        except BaseException:
            self.close()
            raise
        return self


def measure(window, seconds, every=None, action=None):
    window.start()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if action:
            action()
        time.sleep(min(every or seconds, max(0, end - time.monotonic())))
    return window.stop()


def session(folder, source, seconds):
    with BenchPage(folder, source) as game:
        game.wait_title(60)
        time.sleep(1)
        windows = [("title screen", measure(Window(game), seconds))]
        game.start_match(players=1, timeout=60)
        game.tap("space")

        def serve():  # Space while the ball is in play does nothing; after a point it serves
            game.tap("space", 0.1, 0)
        windows.append(("match", measure(Window(game), seconds, 0.3, serve)))
        hud = harness.wait_until(
            lambda: harness.font().read(game.screenshot(), 200, 5, 8).strip() or None,
            10, 0.2, "the HUD's frame rate")
        # As the native game is measured: with no sound output, so that nothing is mixed
        # (the page's output suspended, as before the player's first key).
        game.js("var web = Module.allegro; web.onInput = null; web.audioContext.suspend();")
        windows.append(("match, sound output suspended", measure(Window(game), seconds, 0.3,
                                                                  serve)))
        # Hidden: another tab in front for 3 s; then this one again.
        page = game.driver.current_window_handle
        game.driver.switch_to.new_window("tab")
        time.sleep(3)
        game.driver.close()
        game.driver.switch_to.window(page)
        time.sleep(1)
        windows.append(("match after the page was hidden for 3 s",
                        measure(Window(game), min(seconds, 5), 0.3, serve)))
        visibility = game.js("return __bench.visibility")
    with BenchPage(folder, source, "bare.html") as bare:
        time.sleep(2)
        windows.append(("bare page (a 640x480 picture put at every frame)",
                        measure(Window(bare), seconds)))
    return windows, hud, visibility


# --- an emulated phone --------------------------------------------------------------


def emulate_phone(driver, size=PHONE):
    """DevTools' device emulation: a mobile viewport of size CSS px, touch only."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": size[0], "height": size[1], "deviceScaleFactor": PHONE_SCALE,
        "mobile": True})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                           {"enabled": True, "maxTouchPoints": 5})


def touch_tap(game, point, hold=0.1):
    """A trusted tap of hold seconds at a page point."""
    for kind, points in (("touchStart", [{"x": point[0], "y": point[1], "id": 1}]),
                         ("touchEnd", [])):
        game.driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                    {"type": kind, "touchPoints": points})
        time.sleep(hold if kind == "touchStart" else 0)


def middle(game, element):
    return game.js("var r = arguments[0].getBoundingClientRect();"
                   "return [r.left + r.width / 2, r.top + r.height / 2];", element)


def picture_point(game, x, y):
    r = game.js("var r = document.getElementById('screen').getBoundingClientRect();"
                "return [r.left, r.top, r.width, r.height];")
    return (r[0] + (x + 0.5) * r[2] / 640, r[1] + (y + 0.5) * r[3] / 480)


def timed(game, n, act, scancode, area=None, ready=None):
    """n inputs by act(), each once ready() is true: for each, the pictures put from the
    input to the key's press in the library's key state (None for a mouse input) and to
    the first picture showing the effect (see the probe), and the program's frames
    (Module.allegro.frames) from the input to the key's press."""
    out = []
    for _ in range(n):
        if ready:
            ready()
        time.sleep(0.3)
        game.js("__bench.arm(arguments[0], arguments[1])", scancode, area)
        harness.wait_until(lambda: game.js("return __bench.timed.seen"), 5, 0.02,
                           "a picture before the input")
        act()
        t = harness.wait_until(lambda: game.js(
            "var t = __bench.timed; return t.drawn !== null && (t.key !== null || !t.scancode)"
            " && t;"), 10, 0.05, "the input's effect to be drawn")
        key = t["key"] - t["input"] if t["key"] is not None else None
        frames = t["framesKey"] - t["framesIn"] if t.get("framesIn") is not None and \
            t.get("framesKey") is not None else None
        out.append((key, t["drawn"] - t["input"], frames))
    return out


def ball_waits(game):
    harness.wait_until(lambda: harness.find_ball(game.screenshot()) == CENTRE, 60, 0.2,
                       "the ball to wait at the centre")


def cached_files(game):
    """The names of the files in the page's service worker caches."""
    return game.driver.execute_async_script("""
      var done = arguments[arguments.length - 1];
      if (!window.caches) return done([]);
      caches.keys().then(function(names) {
        return Promise.all(names.map(function(n) {
          return caches.open(n).then(function(c) { return c.keys(); });
        }));
      }).then(function(lists) {
        done([].concat.apply([], lists).map(function(r) { return r.url; }));
      }, function() { done([]); });""")


def phone_session(folder, source, seconds, n):
    with BenchPage(folder, source) as game:
        emulate_phone(game.driver)
        game.open()
        game.wait_title(60)
        time.sleep(1)
        touch = bool(game.driver.find_elements("css selector", "button[data-key=Space]"))
        latency = {"title value, key 2": timed(game, n, lambda: game.tap("2", 0.1, 0), KEY_2,
                                               VALUE_BOX)}
        if touch:
            latency["title value, tap"] = timed(
                game, n, lambda: touch_tap(game, picture_point(game, *DIFFICULTY)), 0,
                VALUE_BOX)
        game.start_match(players=1, music=True, timeout=60)
        state = game.js("return Module.allegro.audioContext.state")
        windows = []

        def serve():
            game.tap("space", 0.1, 0)
        for rate in (1, 4, 6):
            game.driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": rate})
            time.sleep(1)
            windows.append(("phone, match with music, CPU throttle %dx" % rate,
                            measure(Window(game), seconds, 0.3, serve)))
        game.driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 1})
        latency["serve, Space key"] = timed(game, n, serve, SPACE, None,
                                            lambda: ball_waits(game))
        if touch:
            control = game.driver.find_element("css selector", "button[data-key=Space]")
            latency["serve, serve control"] = timed(
                game, n, lambda: touch_tap(game, middle(game, control)), SPACE, None,
                lambda: ball_waits(game))
        fetched = game.js("return performance.getEntriesByType('resource')"
                          ".map(function(e) { return e.name; })")
        worker = game.driver.execute_async_script("""
          var done = arguments[arguments.length - 1];
          if (!navigator.serviceWorker) return done([]);
          navigator.serviceWorker.getRegistration().then(function(r) {
            done(r && r.active ? [r.active.scriptURL] : []);
          }, function() { done([]); });""")
        names = {u.split("?")[0].rsplit("/", 1)[1] for u in fetched + worker +
                 cached_files(game)}
        names = ["index.html"] + sorted(n for n in names if n and n != "index.html")
    return windows, state, latency, names


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--page", default=os.path.join(ROOT, "build-web", "tabrivet-1.4-web"))
    p.add_argument("--build", default=os.path.join(ROOT, "build"),
                   help="the native build whose assets and font dump the probe reads")
    p.add_argument("--loads", type=int, default=7)
    p.add_argument("--seconds", type=float, default=10)
    p.add_argument("--phone", action="store_true",
                   help="the emulated phone with CPU throttle instead of the desktop windows")
    p.add_argument("--inputs", type=int, default=5,
                   help="timed inputs of each kind (--phone)")
    a = p.parse_args()
    folder = os.path.abspath(a.page)
    harness._config = harness.Config(
        None, None, None, os.path.join(a.build, "assets"),
        os.path.join(a.build, "tests", "e2e", "e2e_font_dump"),
        os.path.join(a.build, "bench", "artifacts"))
    source = probe_source(harness.config().assets)

    print("load average before: %s" % open("/proc/loadavg").read().strip())
    print("busiest processes:\n" + "\n".join(subprocess.run(
        ["ps", "-eo", "pcpu,etime,comm", "--sort=-pcpu"], check=True, stdout=subprocess.PIPE,
        text=True).stdout.splitlines()[:8]))
    starts, names = [], None
    for _ in range(a.loads):
        times, names = load_once(folder, source)
        starts.append(times)
    if starts:
        for i, what in enumerate(("first picture (the fade from black begins)",
                                  "first title frame (the logo at its final colours)")):
            column = [s[i] for s in starts]
            print("%s: median %.0f ms (min %.0f, max %.0f; %s)"
                  % (what, statistics.median(column), min(column), max(column),
                     ", ".join("%.0f" % t for t in column)))
        total_raw = total_gz = 0
        for name, raw, gz in sizes(folder, names):
            total_raw, total_gz = total_raw + raw, total_gz + gz
            print("%-14s %9d bytes, gzip -9 %9d" % (name, raw, gz))
        print("%-14s %9d bytes, gzip -9 %9d" % ("total", total_raw, total_gz))

    if a.phone:
        windows, state, latency, names = phone_session(folder, source, a.seconds, a.inputs)
        print("phone %dx%d, %.1f device pixels a CSS px; the sound output after the keys that "
              "started the match: %s" % (PHONE + (PHONE_SCALE, state)))
        for name, window in windows:
            window.report(name)
        for how, runs in latency.items():
            print("%s: pictures from the input to the key's press in the key state / to the "
                  "picture showing it (program frames to the key's press): %s"
                  % (how, ", ".join("%s / %d (%s)" % ("-" if k is None else k, d, f)
                                    for k, d, f in runs)))
        total_raw = total_gz = 0
        for name, raw, gz in sizes(folder, names):
            total_raw, total_gz = total_raw + raw, total_gz + gz
            print("%-22s %9d bytes, gzip -9 %9d" % (name, raw, gz))
        print("%-22s %9d bytes, gzip -9 %9d (the page and its service worker)"
              % ("total", total_raw, total_gz))
        print("load average after: %s" % open("/proc/loadavg").read().strip())
        return
    windows, hud, visibility = session(folder, source, a.seconds)
    for name, window in windows:
        window.report(name)
        if name == "match":
            print("  the HUD after it: %r" % hud)
        if name.startswith("match after"):
            for (t, hidden, raf, wakes), nxt in zip(visibility, visibility[1:] + [None]):
                print("  at %.0f ms the page was %s; animation frames and game frames until "
                      "the next change: %s" % (t, "hidden" if hidden else "shown",
                                               "%d, %d" % (nxt[2] - raf, nxt[3] - wakes)
                                               if nxt else "-"))
    print("load average after: %s" % open("/proc/loadavg").read().strip())


if __name__ == "__main__":
    main()
