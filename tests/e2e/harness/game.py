"""The native game under X: the real binary in a temp folder with its own Xvfb, driven by
xdotool, its screen, capture.pcx, messages and sound read back; and data files made with
the library's `dat` tool."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from .options import config
from .pictures import parse_pcx
from .processes import AUTOREPEAT_DELAY_MS, XServer, _stop, root_screenshot, wait_until, xdotool
from .sound import SOUND_CHANNELS, SOUND_RATE, samples16, sound_stats
from .sprites import find_ball
from .text import font

XMESSAGE_STUB = """#!/bin/sh
# Stands in for xmessage: keeps the arguments (NUL-separated) and returns at once.
printf '%s\\0' "$@" > "$TABRIVET_E2E_MESSAGE.tmp"
mv "$TABRIVET_E2E_MESSAGE.tmp" "$TABRIVET_E2E_MESSAGE"
exit 0
"""


class Game:
    """The game in a temp working directory, with its own X server (unless display is
    None), a stand-in xmessage first on PATH, and a HOME whose .asoundrc sends the ALSA
    default device to a raw file.

    data: "default" copies the configured data file; None leaves it out; a path copies
    that file instead. without_patches: runs a copy of the binary from a folder with no
    patches.dat, so the MIDI player has no instruments while the samples still play.
    signals: {signal number: signal.SIG_DFL or signal.SIG_IGN}, the dispositions the game
    starts with for those signals (otherwise it inherits the test's).
    """

    def __init__(self, cfg=None, data="default", display="own", without_patches=False,
                 name=None, autorepeat_delay=AUTOREPEAT_DELAY_MS, signals=None):
        self.cfg = cfg or config()
        self.signals = dict(signals or {})
        self.autorepeat_delay = autorepeat_delay
        self.data = data
        self.display_mode = display
        self.without_patches = without_patches
        self.name = name or "game"
        self.xserver = None
        self.proc = None
        self.dir = None
        self.args = []  # after the binary on its command line

    # --- life cycle -------------------------------------------------------------------

    def start(self):
        self.dir = tempfile.mkdtemp(prefix="tabrivet-e2e-")
        try:
            self._prepare()
            self._launch()
        except BaseException:
            self.close()
            raise
        return self

    def _prepare(self):
        self.work = os.path.join(self.dir, "work")
        self.home = os.path.join(self.dir, "home")
        stub_dir = os.path.join(self.dir, "stub")
        for d in (self.work, self.home, stub_dir):
            os.mkdir(d)
        self.message_file = os.path.join(self.dir, "xmessage.args")
        stub = os.path.join(stub_dir, "xmessage")
        with open(stub, "w") as f:
            f.write(XMESSAGE_STUB)
        os.chmod(stub, 0o755)
        self.sound_file = os.path.join(self.dir, "sound.raw")
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write('pcm.!default {\n  type file\n  slave.pcm "null"\n'
                    '  file "%s"\n  format "raw"\n}\n' % self.sound_file)
        if self.data == "default":
            shutil.copy(self.cfg.data, os.path.join(self.work, "tabrivet.dat"))
        elif self.data is not None:
            shutil.copy(self.data, os.path.join(self.work, "tabrivet.dat"))
        self.binary = self.cfg.binary
        if self.without_patches:
            bindir = os.path.join(self.dir, "bin")
            os.mkdir(bindir)
            self.binary = os.path.join(bindir, "tabrivet")
            shutil.copy(self.cfg.binary, self.binary)
        self.env = dict(os.environ)
        for k in ("DISPLAY", "XAUTHORITY", "ALLEGRO", "ALSA_CONFIG_PATH"):
            self.env.pop(k, None)
        self.env["HOME"] = self.home
        self.env["PATH"] = stub_dir + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin")
        self.env["TABRIVET_E2E_MESSAGE"] = self.message_file
        if self.display_mode == "own":
            self.xserver = XServer(autorepeat_delay=self.autorepeat_delay).start()
            self.env["DISPLAY"] = self.xserver.display
        elif self.display_mode is not None:
            self.env["DISPLAY"] = self.display_mode

    def _launch(self):
        self.stdout_path = os.path.join(self.dir, "stdout")
        self.stderr_path = os.path.join(self.dir, "stderr")
        dispositions = self.signals

        def set_dispositions():
            for sig, action in dispositions.items():
                signal.signal(sig, action)
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen([self.binary] + self.args, cwd=self.work,
                                         env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                         stderr=err, start_new_session=True,
                                         preexec_fn=set_dispositions if dispositions else None)

    def close(self):
        """Stops the game and its X server and removes the temp folder. Safe to repeat."""
        try:
            _stop(self.proc)
        finally:
            try:
                if self.xserver:
                    self.xserver.stop()
            finally:
                if self.dir and not os.environ.get("TABRIVET_E2E_KEEP"):
                    shutil.rmtree(self.dir, ignore_errors=True)
                self.dir = None

    def __enter__(self):
        return self.start()

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None and self.dir:
            self._save_artifacts()
        self.close()

    def _save_artifacts(self):
        """Keeps what helps to see why a case failed: the screen, the output streams."""
        try:
            os.makedirs(self.cfg.artifacts, exist_ok=True)
            base = os.path.join(self.cfg.artifacts, "%s-%d" % (self.name, os.getpid()))
            self._keep_artifacts(base)
            sys.stderr.write("e2e: artifacts saved as %s-*\n" % base)
        except Exception as e:  # the failure being reported matters more
            sys.stderr.write("e2e: could not save artifacts: %s\n" % e)

    def _keep_artifacts(self, base):
        """Writes the artifacts as files whose names start with base."""
        if self.xserver and self.xserver.proc and self.xserver.proc.poll() is None:
            self.screenshot().save_png(base + "-screen.png")
        for s in ("stdout", "stderr"):
            shutil.copy(os.path.join(self.dir, s), base + "-" + s + ".txt")

    # --- process state ----------------------------------------------------------------

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def window_shown(self):
        """True once a window is mapped on the game's display (the game has set its
        mode), False before or when the display is gone."""
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--maxdepth", "1",
                            "--name", ""], env=self.env, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, timeout=30)
        # The root window, at depth 0, is always found.
        return r.returncode == 0 and len(r.stdout.split()) > 1

    def wait_exit(self, timeout=20):
        """The exit code (negative: the signal that ended it); TimeoutError if it is
        still running after timeout seconds."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError("the game did not exit within %.0f s" % timeout)

    def stdout(self):
        with open(self.stdout_path, "rb") as f:
            return f.read()

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read()

    def message_args(self):
        """The arguments the game gave xmessage, or None if it never ran it."""
        try:
            with open(self.message_file, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return None
        return data.split(b"\0")[:-1]

    def message(self):
        """The text the game showed through xmessage (its last argument), or None."""
        args = self.message_args()
        return args[-1] if args else None

    # --- input ------------------------------------------------------------------------

    def xdotool(self, *args):
        xdotool(self.env, *args)

    def key_down(self, key):
        self.xdotool("keydown", key)

    def key_up(self, key):
        self.xdotool("keyup", key)

    def tap(self, key, hold=0.25, after=0.1):
        """Presses an X key (keysym name: 'Return', 'Escape', 'space', 'a', 'Up',
        'Print', '1'...) for hold seconds, long enough for a frame to see it on a machine
        that is not overloaded. Where the game's answer shows, press() is surer."""
        self.key_down(key)
        try:
            time.sleep(hold)
        finally:
            self.key_up(key)
        time.sleep(after)

    def hold(self, key, seconds):
        """Holds a key down for seconds."""
        self.tap(key, hold=seconds, after=0)

    def press(self, key, until, timeout=20, what="the game to answer a key"):
        """Holds key down until until() returns something true, then releases it and
        returns that. The X server repeats no key within its long auto-repeat delay, so
        however long that takes the game gets one press."""
        self.key_down(key)
        try:
            return wait_until(until, timeout, 0.05, "%s (%s held)" % (what, key))
        finally:
            self.key_up(key)

    def press_until(self, key, fn, timeout=20, what="the screen to answer a key"):
        """press() until fn(screenshot) is true; returns (value, screenshot)."""
        self.key_down(key)
        try:
            return self.wait_screen(fn, timeout, "%s (%s held)" % (what, key), 0.05)
        finally:
            self.key_up(key)

    def quit(self, timeout=30):
        """Holds Esc until the game has exited; returns its exit code."""
        self.press("Escape", lambda: not self.running(), timeout, "the game to exit")
        return self.wait_exit(timeout)

    def mouse_move(self, x, y):
        self.xdotool("mousemove", x, y)

    def mouse_down(self, button=1):
        self.xdotool("mousedown", button)

    def mouse_up(self, button=1):
        self.xdotool("mouseup", button)

    def point_at(self, x, y):
        """Puts the game's mouse at (x, y) in its own coordinates. The library moves its
        mouse by the pointer's motion, clamped to the range the game set; where that range
        is smaller than the window (the pause box confines it to the picture) the library
        also warps the X pointer back to the window's centre after each motion, so an
        absolute move would be counted from wherever that warp left the pointer. So the
        pointer goes to the far corner, then to the near one, which pins the mouse at
        (0, 0) whatever it was, and then moves by (x, y) relative to where it is."""
        for px, py in ((639, 479), (0, 0)):
            self.mouse_move(px, py)
            time.sleep(0.05)
        self.xdotool("mousemove_relative", "--", x, y)
        time.sleep(0.05)

    def click(self, x, y, button=1, hold=0.2, after=0.1):
        """Points at (x, y) and holds the button for hold seconds."""
        self.point_at(x, y)
        self.mouse_down(button)
        try:
            time.sleep(hold)
        finally:
            self.mouse_up(button)
        time.sleep(after)

    POINT_AGAIN_AFTER = 8.0

    def click_until(self, x, y, fn, timeout=20, what="the screen to answer a click",
                    button=1):
        """Points at (x, y) and holds the button until fn(screenshot) is true; returns
        (value, screenshot). When the screen has not answered within POINT_AGAIN_AFTER
        seconds, it lets go, points and presses again: once, on a loaded machine, the
        game's pointer was seen nowhere near (x, y) after 30 s."""
        end = time.monotonic() + timeout
        while True:
            self.point_at(x, y)
            self.mouse_down(button)
            try:
                return self.wait_screen(
                    fn, max(0.1, min(self.POINT_AGAIN_AFTER, end - time.monotonic())),
                    what, 0.05)
            except TimeoutError:
                if time.monotonic() >= end:
                    raise
            finally:
                self.mouse_up(button)

    # --- output: screen ---------------------------------------------------------------

    def screenshot(self):
        return root_screenshot(self.env)

    def wait_screen(self, fn, timeout=20, what="the screen", interval=0.1):
        """Takes screenshots until fn(image) is true; returns (value, image)."""
        last = [None]

        def probe():
            self._check_running(what)
            img = self.screenshot()
            last[0] = img
            v = fn(img)
            return (v, img) if v else None
        return wait_until(probe, timeout, interval, what)

    def _check_running(self, what):
        if self.proc.poll() is not None:
            raise AssertionError("the game exited (code %s) while waiting for %s"
                                 % (self.proc.returncode, what))

    def wait_text(self, x, y, text, timeout=20, color=None):
        """Waits until text is drawn with its first cell at (x, y); returns the image."""
        return self.wait_screen(
            lambda img: font().read(img, x, y, len(text), color) == text,
            timeout, "%r at (%d,%d)" % (text, x, y))[1]

    @staticmethod
    def is_title(img):
        """True when the picture shows the title screen's player-count value."""
        return font().read(img, 218, 255, 9).rstrip() in ("1 Joueur", "2 Joueurs")

    def title_shown(self):
        """True when the screen shows the title screen now (False once the game ended)."""
        try:
            return self.running() and self.is_title(self.screenshot())
        except subprocess.CalledProcessError:
            return False

    def wait_title(self, timeout=30):
        """Waits for the title screen (its player-count row read back at (218, 255))."""
        return self.wait_screen(self.is_title, timeout, "the title screen")[1]

    MENU_ROWS = {"1": 255, "2": 285, "3": 315}  # title-screen key -> row of its value

    def menu_value(self, key, img=None):
        """The value the title screen shows in the row the key cycles."""
        return font().read(img or self.screenshot(), 218, self.MENU_ROWS[key], 10).rstrip()

    def choose(self, key, value, timeout=10):
        """On the title screen, presses key until its row shows value; each press must
        change the row within timeout seconds."""
        for _ in range(5):
            now = self.menu_value(key)
            if now == value:
                return
            self.press_until(key, lambda img: self.menu_value(key, img) != now, timeout,
                             "row %s to change from %r" % (key, now))
        raise AssertionError("row %s never showed %r" % (key, value))

    def start_match(self, players=1, music=False, timeout=30):
        """From the title screen: sets the player count and the music, presses Enter and
        waits for the match's score line; returns that screenshot."""
        self.wait_title(timeout)
        self.mouse_move(630, 150)
        self.choose("1", "1 Joueur" if players == 1 else "2 Joueurs")
        self.choose("3", "Oui" if music else "Non")
        second = "Ordinateur : 0" if players == 1 else "Joueur 2 : 0"
        return self.press_until(
            "Return", lambda img: (font().read(img, 5, 5, 12) == "Joueur 1 : 0"
                                   and font().read(img, 5, 16, len(second)) == second),
            timeout, "the match's score line")[1]

    def score_line(self, timeout=20):
        """The two score texts of a match, read from a screenshot where the ball is clear
        of them (it is drawn over the text when it passes)."""
        def probe():
            img = self.screenshot()
            ball = find_ball(img)
            if ball is None or ball[1] < 40:
                return None
            return (font().read(img, 5, 5, 16).rstrip(), font().read(img, 5, 16, 16).rstrip())
        return wait_until(probe, timeout, 0.05, "the ball clear of the score line")

    def capture(self, timeout=20):
        """Presses Print Screen and returns the decoded capture.pcx once it is whole."""
        path = os.path.join(self.work, "capture.pcx")
        if os.path.exists(path):
            os.unlink(path)

        def read():
            try:
                with open(path, "rb") as f:
                    return parse_pcx(f.read())
            except (FileNotFoundError, ValueError):
                return None
        return self.press("Print", read, timeout, "capture.pcx")

    # --- output: sound ----------------------------------------------------------------

    def sound_mark(self):
        """Where the sound capture stands now, in frames. The library's ALSA output runs
        ahead of real time into the null device, so positions, not clock times, relate
        the capture to what happened on screen."""
        try:
            return os.path.getsize(self.sound_file) // (2 * SOUND_CHANNELS)
        except FileNotFoundError:
            return 0

    def sound(self, start=0, end=None):
        """Frames start..end of the capture as signed 16-bit values, interleaved L, R."""
        with open(self.sound_file, "rb") as f:
            f.seek(start * 2 * SOUND_CHANNELS)
            data = f.read(-1 if end is None else (end - start) * 2 * SOUND_CHANNELS)
        return samples16(data[:len(data) // 4 * 4], unsigned=True)

    def sound_stats(self, start=0, end=None):
        return sound_stats(self.sound(start, end))

    def wait_sound(self, start, seconds, timeout=60):
        """Waits until the capture holds seconds of sound after frame start; returns the
        frame where that stretch ends."""
        end = start + int(seconds * SOUND_RATE)
        wait_until(lambda: self.sound_mark() >= end, timeout, 0.1,
                   "%.1f s of sound in the capture" % seconds)
        return end


# The objects of the game's data file, in its order.
ASSET_ORDER = ["ball.bmp", "pause.bmp", "logo.bmp", "cursor.bmp", "paddle_left.bmp",
               "paddle_right.bmp", "bounce.wav", "hit.wav", "music.mid"]


def make_datafile(out, files, cfg=None):
    """Builds a data file holding files in that order (bitmaps grabbed in 16-bit colour,
    other objects by their extension), stripped of the grabber's own information. A
    file name without a folder is taken from the asset folder."""
    cfg = cfg or config()
    paths = [f if os.path.dirname(f) else os.path.join(cfg.assets, f) for f in files]
    if os.path.exists(out):
        os.unlink(out)
    for p in paths:
        cmd = ["dat", "-n0", "-s1", "-bpp", "16", out, "-a"]
        if p.lower().endswith(".bmp"):
            cmd += ["-t", "BMP"]
        subprocess.run(cmd + [p], check=True, stdout=subprocess.DEVNULL, timeout=60)
    listing = subprocess.run(["dat", "-l", out], check=True, stdout=subprocess.PIPE,
                             timeout=60).stdout.decode(errors="replace")
    objects = [l for l in listing.splitlines() if l.startswith("- ")]
    if len(objects) != len(paths):
        raise RuntimeError("dat made %d objects of %d files:\n%s"
                           % (len(objects), len(paths), listing))
    return out

