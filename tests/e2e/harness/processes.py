"""The processes the harness runs beside the game: its own Xvfb server and PulseAudio
server, and xdotool, xwininfo and xwd on any X display; waiting for a condition, stopping
what it started."""

import array
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

from .pictures import parse_xwd
from .sound import samples16


def root_screenshot(env):
    """The whole screen of the X display that env names, from xwd."""
    out = subprocess.run(["xwd", "-root", "-silent"], env=env, check=True,
                         stdout=subprocess.PIPE, timeout=30).stdout
    return parse_xwd(out)


def window_geometry(env, name):
    """{"x", "y", "w", "h"} of the window named name on the X display that env names, from
    xwininfo (x and y from the screen's top left), or None when there is no such window."""
    r = subprocess.run(["xwininfo", "-name", name], env=env,
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30)
    if r.returncode != 0:
        return None
    out = r.stdout.decode(errors="replace")
    fields = {}
    for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                       ("w", "Width"), ("h", "Height")):
        m = re.search(r"^\s*%s:\s*(-?\d+)" % label, out, re.M)
        if not m:
            return None
        fields[key] = int(m.group(1))
    return fields


def xdotool(env, *args):
    """Runs xdotool with args on the X display that env names."""
    subprocess.run(["xdotool"] + [str(a) for a in args], env=env, check=True,
                   stdout=subprocess.DEVNULL, timeout=30)


def cpu_seconds(stat_path):
    """The user and system time in /proc/PID/stat (every thread) or /proc/PID/task/TID/stat
    (one), in seconds."""
    with open(stat_path) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wait_until(fn, timeout, interval=0.1, what="condition"):
    """Calls fn until it returns something true, and returns that; raises TimeoutError
    after timeout seconds."""
    end = time.monotonic() + timeout
    while True:
        v = fn()
        if v:
            return v
        if time.monotonic() > end:
            raise TimeoutError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def _stop(proc, grace=3.0):
    """Ends a process this harness started (and its process group), politely first."""
    if proc is None or proc.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 10)):
        try:
            os.killpg(proc.pid, sig)
        except (ProcessLookupError, PermissionError):
            pass
        try:
            proc.wait(wait)
            return
        except subprocess.TimeoutExpired:
            continue


AUTOREPEAT_DELAY_MS = 30000


class XServer:
    """An Xvfb server with one 640x480x24 screen on a display number it picks itself.

    Its keys auto-repeat only after autorepeat_delay ms (X's usual 660 ms when None): the
    harness holds a key until the game shows that it saw it, and on a busy machine that
    can take longer than the usual delay, which would turn one press into several."""

    def __init__(self, width=640, height=480, autorepeat_delay=AUTOREPEAT_DELAY_MS):
        self.size = (width, height)
        self.autorepeat_delay = autorepeat_delay
        self.proc = None
        self.display = None

    def start(self, timeout=30):
        r, w = os.pipe()
        self.log = tempfile.TemporaryFile()
        try:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(w), "-screen", "0",
                 "%dx%dx24" % self.size, "-nolisten", "tcp", "-noreset"]
                + (["-ardelay", str(self.autorepeat_delay)] if self.autorepeat_delay else []),
                pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=self.log,
                start_new_session=True)
        finally:
            os.close(w)
        try:
            num = b""
            end = time.monotonic() + timeout
            while not num.endswith(b"\n"):
                if time.monotonic() > end:
                    raise TimeoutError("Xvfb gave no display number")
                c = os.read(r, 1)
                if not c:
                    self.log.seek(0)
                    raise RuntimeError("Xvfb failed: %s" % self.log.read().decode(errors="replace"))
                num += c
        finally:
            os.close(r)
        self.display = ":" + num.decode().strip()
        return self

    def stop(self):
        _stop(self.proc)
        self.proc = None
        if getattr(self, "log", None):
            self.log.close()
            self.log = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()



class PulseServer:
    """A PulseAudio server in a folder of its own whose only output is a null sink, and a
    recording of that output (PulseServer.RATE frames a second, 16-bit stereo) from its
    start. env holds what a client needs to find the server."""

    RATE = 44100

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tabrivet-pulse-")
        self.file = os.path.join(self.dir, "out.raw")
        socket = os.path.join(self.dir, "native")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.dir, PULSE_RUNTIME_PATH=self.dir,
                        HOME=self.dir, PULSE_SERVER="unix:" + socket)
        self.script = ("load-module module-null-sink sink_name=out rate=%d channels=2\n"
                       "set-default-sink out\n"
                       "load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n"
                       % (self.RATE, socket))
        self.proc = self.recorder = None

    def start(self):
        script = os.path.join(self.dir, "server.pa")
        with open(script, "w") as f:
            f.write(self.script)
        self.log = open(os.path.join(self.dir, "log"), "wb")
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "-F", script], env=self.env, stdout=self.log, stderr=subprocess.STDOUT,
            start_new_session=True)

        def up():
            if self.proc.poll() is not None:
                raise RuntimeError("pulseaudio ended: see %s" % self.log.name)
            return subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=30).returncode == 0
        wait_until(up, 30, 0.1, "the PulseAudio server")
        with open(self.file, "wb") as out:
            self.recorder = subprocess.Popen(
                ["parec", "-d", "out.monitor", "--raw", "--format=s16le", "--channels=2",
                 "--rate=%d" % self.RATE, "--latency-msec=20"], env=self.env, stdout=out,
                stderr=self.log, start_new_session=True)
        return self

    def stop(self):
        try:
            _stop(self.recorder)
            _stop(self.proc)
        finally:
            self.log.close()
            shutil.rmtree(self.dir, ignore_errors=True)

    def mark(self):
        """How many frames the recording holds."""
        return os.path.getsize(self.file) // 4

    def sound(self, start=0, end=None):
        """Frames start..end of the recording, (left + right) / 2 as signed 16-bit values."""
        with open(self.file, "rb") as f:
            f.seek(start * 4)
            a = samples16(f.read(-1 if end is None else (end - start) * 4))
        return array.array("h", map(lambda l, r: (l + r) >> 1, a[0::2], a[1::2]))
