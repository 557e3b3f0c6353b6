#!/usr/bin/python3
"""Benchmark of the game's frames, in one run under its own Xvfb (not a test: it prints
figures, it asserts nothing about time).

  1. Start-up and the title screen: launches the game LAUNCHES times and takes, from the
     moment just before the launch, the time to the first frame (the first retrace wait:
     the fade from black has begun) and to the first title-screen frame (after the 32
     fade steps); the fade's retraces and real time; and, from the title's 36th frame on,
     TITLE_FRAMES title-screen frames: their rate, and the process CPU time (every thread)
     spent while they ran.
  2. Match frames: plays a match (the ball kept in play, the stars moving) and measures
     FRAMES frames through the preloaded frame_probe: process CPU time (every thread of
     the game), main-thread CPU time and real time per frame (so the match's frame rate),
     and the heap allocations made during them; then the fade that follows the match.
  3. The bare loop: the same start-up, then frames that only clear a 640x480 16-bit
     bitmap, wait for the retrace and copy it to the screen; the same measures.
  4. With --callgrind (slow): the instructions per frame of the main thread, for the match
     and the bare loop, counted by callgrind (stable where CPU time is noisy).

Usage: bench/run_bench.py [--build DIR] [--binary GAME] [--frames N] [--launches N]
                          [--title-frames N] [--callgrind]
It builds the game in DIR (default build) if needed, and its two helpers in DIR/bench.
--binary measures another build of the game (an older one, say) with this probe, the data
file and the helpers of DIR.
"""

import argparse
import glob
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402


def build(build_dir):
    subprocess.run(["cmake", "-S", ROOT, "-B", build_dir], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j%d" % (os.cpu_count() or 2), "--target",
                    "tabrivet", "tabrivet_data", "e2e_font_dump"], check=True,
                   stdout=subprocess.DEVNULL)
    out = os.path.join(build_dir, "bench")
    os.makedirs(out, exist_ok=True)
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "allegro"], check=True,
                           stdout=subprocess.PIPE).stdout.decode().split()
    probe = os.path.join(out, "frame_probe.so")
    bare = os.path.join(out, "bare_loop")
    subprocess.run(["g++", "-std=c++17", "-O2", "-g", "-Wall", "-Wextra", "-shared", "-fPIC",
                    "-o", probe, os.path.join(ROOT, "bench", "frame_probe.cpp"), "-ldl"] + flags,
                   check=True)
    subprocess.run(["g++", "-std=c++17", "-O2", "-g", "-Wall", "-Wextra", "-o", bare,
                    os.path.join(ROOT, "bench", "bare_loop.cpp")] + flags, check=True)
    return probe, bare


def read_keys(path):
    with open(path) as f:
        return dict((k, int(v)) for k, v in (line.strip().split("=") for line in f if "=" in line))


class BenchGame(harness.Game):
    """The game with the frame probe preloaded, no sound device (so that no mixer thread
    runs, as in the bare loop), optionally under callgrind."""

    def __init__(self, probe, out, frames, display, callgrind_dir=None, title_frames=210):
        super().__init__(display=display, name="bench")
        self.probe, self.out, self.frames, self.callgrind_dir = probe, out, frames, callgrind_dir
        self.title_frames = title_frames

    def _prepare(self):
        super()._prepare()
        os.unlink(os.path.join(self.home, ".asoundrc"))
        self.env["LD_PRELOAD"] = self.probe
        self.env["BENCH_OUT"] = self.out
        self.env["BENCH_FRAMES"] = str(self.frames)
        self.env["BENCH_TITLE_FRAMES"] = str(self.title_frames)

    def _launch(self):
        self.stdout_path = os.path.join(self.dir, "stdout")
        self.stderr_path = os.path.join(self.dir, "stderr")
        cmd = [self.binary]
        if self.callgrind_dir:
            cmd = ["valgrind", "--tool=callgrind", "--separate-threads=yes",
                   "--callgrind-out-file=" + os.path.join(self.callgrind_dir, "match.%p")] + cmd
        with open(self.stdout_path, "wb") as o, open(self.stderr_path, "wb") as e:
            self.launched_ns = time.time_ns()
            self.proc = subprocess.Popen(cmd, cwd=self.work, env=self.env,
                                         stdin=subprocess.DEVNULL, stdout=o, stderr=e,
                                         start_new_session=True)


def quit_game(game, timeout=60):
    game.tap("Escape")
    game.wait_screen(harness.pause_box_shown, timeout, "the pause box")
    game.tap("Return")
    game.wait_title(timeout)
    game.tap("Escape")
    return game.wait_exit(timeout)


def start_up(probe, display, launches, title_frames, tmp):
    """Per launch: ms to the first frame and to the first title frame, the first fade's
    keys and the title window's keys."""
    firsts, titles, fades, title_runs = [], [], [], []
    for i in range(launches):
        out = os.path.join(tmp, "start%d" % i)
        with BenchGame(probe, out, 1, display, title_frames=title_frames) as game:
            harness.wait_until(lambda: os.path.exists(out + ".start"), 60, 0.02,
                               "the first title frame")
            k = read_keys(out + ".start")
            firsts.append((k["first_frame_ns"] - game.launched_ns) / 1e6)
            titles.append((k["title_frame_ns"] - game.launched_ns) / 1e6)
            fades.append(read_keys(out + ".fade1"))
            # No screenshot while the title window runs: the X server's work would share
            # the cores with the frames being measured.
            harness.wait_until(lambda: os.path.exists(out + ".title"), 60, 0.1,
                               "the title-screen frames")
            title_runs.append(read_keys(out + ".title"))
            game.wait_title(30)
            game.tap("Escape")
            game.wait_exit(30)
    return firsts, titles, fades, title_runs


def match_frames(probe, display, frames, tmp, callgrind_dir=None, slow=1):
    out = os.path.join(tmp, "match" + ("-callgrind" if callgrind_dir else ""))
    with BenchGame(probe, out, frames, display, callgrind_dir) as game:
        game.start_match(players=1, timeout=60 * slow)
        game.mouse_move(630, 150)
        game.tap("space")
        os.kill(game.proc.pid, signal.SIGUSR1)

        # Keeps the ball in play: serves again after every point (Space in play is a no-op).
        def done():
            if os.path.exists(out + ".match"):
                return True
            game.tap("space", after=0)
            return False
        harness.wait_until(done, 120 * slow, 1.0, "the measured frames")
        result = read_keys(out + ".match")
        # Under callgrind the counts are already dumped, and the fade after the match would
        # take minutes: the game is simply stopped when the block ends.
        if not callgrind_dir:
            quit_game(game, 60 * slow)
            # The fade from the match back to the title screen is the game's second.
            result["fade"] = read_keys(out + ".fade2")
    return result


def bare_frames(probe, bare, display, frames, tmp, callgrind_dir=None):
    out = os.path.join(tmp, "bare" + ("-callgrind" if callgrind_dir else ""))
    env = dict(os.environ, DISPLAY=display, HOME=tempfile.mkdtemp(prefix="bench-home-"),
               LD_PRELOAD=probe, BENCH_OUT=out, BENCH_FRAMES=str(frames))
    cmd = [bare, str(frames)]
    if callgrind_dir:
        cmd = ["valgrind", "--tool=callgrind", "--separate-threads=yes",
               "--callgrind-out-file=" + os.path.join(callgrind_dir, "bare.%p")] + cmd
    subprocess.run(cmd, env=env, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=1800)
    return read_keys(out + ".match")


def main_thread_instructions(callgrind_dir, prefix):
    """Instructions of the main thread in the dump the window made (thread 01, dump 1)."""
    files = [f for f in glob.glob(os.path.join(callgrind_dir, prefix + ".*"))
             if re.search(r"\.1-01$", f)]
    if len(files) != 1:
        raise RuntimeError("callgrind dump of %s not found: %s"
                           % (prefix, os.listdir(callgrind_dir)))
    with open(files[0]) as f:
        for line in f:
            if line.startswith("summary:") or line.startswith("totals:"):
                return int(line.split()[1])
    raise RuntimeError("no totals in " + files[0])


def per_frame(r, key):
    return r[key] / r["frames"] / 1e6


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build"))
    p.add_argument("--binary", help="the game binary to measure (default: DIR/tabrivet)")
    p.add_argument("--frames", type=int, default=600)
    p.add_argument("--launches", type=int, default=7)
    p.add_argument("--title-frames", type=int, default=210,
                   help="title-screen frames measured at each launch (3 s at 70 Hz)")
    p.add_argument("--rounds", type=int, default=3,
                   help="match and bare-loop runs, taken in turn; medians are reported")
    p.add_argument("--callgrind", action="store_true")
    p.add_argument("--callgrind-frames", type=int, default=60)
    a = p.parse_args()
    build_dir = os.path.abspath(a.build)
    probe, bare = build(build_dir)
    binary = os.path.abspath(a.binary) if a.binary else os.path.join(build_dir, "tabrivet")
    harness._config = harness.Config(
        binary, os.path.join(ROOT, "data", "tabrivet.dat"),
        os.path.join(build_dir, "patches.dat"), os.path.join(build_dir, "assets"),
        os.path.join(build_dir, "tests", "e2e", "e2e_font_dump"),
        os.path.join(build_dir, "bench", "artifacts"))

    tmp = tempfile.mkdtemp(prefix="tabrivet-bench-")
    with harness.XServer() as x:
        firsts, titles, fades, title_runs = start_up(probe, x.display, a.launches,
                                                     a.title_frames, tmp)
        matches, bares = [], []
        for k in range(a.rounds):
            matches.append(match_frames(probe, x.display, a.frames, tmp))
            bares.append(bare_frames(probe, bare, x.display, a.frames, tmp))
            for pattern in ("*.match", "match.fade*"):  # the next round's are new
                for f in glob.glob(os.path.join(tmp, pattern)):
                    os.unlink(f)
        if a.callgrind:
            cg = tempfile.mkdtemp(prefix="tabrivet-callgrind-")
            cg_match = match_frames(probe, x.display, a.callgrind_frames, tmp, cg, slow=10)
            cg_bare = bare_frames(probe, bare, x.display, a.callgrind_frames, tmp, cg)
            ir_match = main_thread_instructions(cg, "match") / cg_match["frames"]
            ir_bare = main_thread_instructions(cg, "bare") / cg_bare["frames"]

    with open("/proc/cpuinfo") as f:
        model = next((l.split(":", 1)[1].strip() for l in f if l.startswith("model name")), "?")
    print("machine: %d cores, %s" % (os.cpu_count(), model))
    print("game: %s" % binary)
    print("start-up over %d launches (ms from launch): first frame median %.0f (min %.0f, "
          "max %.0f); first title frame median %.0f (min %.0f, max %.0f)"
          % (a.launches, statistics.median(firsts), min(firsts), max(firsts),
             statistics.median(titles), min(titles), max(titles)))
    def med(runs, key):
        return statistics.median(r[key] / r["frames"] / 1e6 for r in runs)
    for name, runs in (("match", matches), ("bare loop", bares)):
        print("%-9s %d x %d frames, medians: %.3f ms CPU per frame (all threads), %.3f ms main "
              "thread, %.2f ms real" % (name, len(runs), runs[0]["frames"],
                                        med(runs, "process_cpu_ns"), med(runs, "thread_cpu_ns"),
                                        med(runs, "wall_ns")))
    print("ratio match / bare loop of the medians: CPU all threads %.3f, main thread %.3f "
          "(each round, all threads: %s)"
          % (med(matches, "process_cpu_ns") / med(bares, "process_cpu_ns"),
             med(matches, "thread_cpu_ns") / med(bares, "thread_cpu_ns"),
             ", ".join("%.3f" % (m["process_cpu_ns"] / m["frames"] / (b["process_cpu_ns"] / b["frames"]))
                       for m, b in zip(matches, bares))))
    match, bare_r = matches[-1], bares[-1]
    for name, r in (("match", match), ("bare loop", bare_r)):
        print("heap allocations during the %d %s frames: %d by the main thread (%.1f a frame, "
              "%d frames with any), %d by the library's other threads"
              % (r["frames"], name, r["main_allocs"], r["main_allocs"] / r["frames"],
                 r["frames_with_allocs"], r["other_allocs"]))
    def fps(r):
        return r["frames"] * 1e9 / r["wall_ns"]
    title_fps = statistics.median(map(fps, title_runs))
    match_fps = statistics.median(map(fps, matches))
    print("frames a second: title screen median %.2f (%d launches x %d frames: %s); match "
          "median %.2f (%d rounds: %s); title / match %.3f"
          % (title_fps, len(title_runs), title_runs[0]["frames"],
             ", ".join("%.2f" % fps(r) for r in title_runs), match_fps, len(matches),
             ", ".join("%.2f" % fps(r) for r in matches), title_fps / match_fps))
    for name, runs in (("first fade (start-up)", fades),
                       ("fade after a match", [m["fade"] for m in matches])):
        print("%s: retraces %s; real time median %.0f ms (%s), %.2f ms a retrace"
              % (name, ",".join(sorted({str(r["retraces"]) for r in runs})),
                 statistics.median(r["wall_ns"] / 1e6 for r in runs),
                 ", ".join("%.1f" % (r["wall_ns"] / 1e6) for r in runs),
                 statistics.median(r["wall_ns"] / 1e6 / r["retraces"] for r in runs)))

    def cpu_share(r, threads="all"):
        cpu = r["process_cpu_ns"] - (r["thread_cpu_ns"] if threads == "other" else 0)
        return 100.0 * cpu / r["wall_ns"]
    print("CPU time over real time, share of one core: title screen median %.1f%% (%s) of "
          "which the library's other threads %.1f%%, %.3f ms a frame (main thread %.3f ms); "
          "match median %.1f%%, other threads %.1f%%"
          % (statistics.median(map(cpu_share, title_runs)),
             ", ".join("%.1f" % cpu_share(r) for r in title_runs),
             statistics.median(cpu_share(r, "other") for r in title_runs),
             med(title_runs, "process_cpu_ns"), med(title_runs, "thread_cpu_ns"),
             statistics.median(map(cpu_share, matches)),
             statistics.median(cpu_share(r, "other") for r in matches)))
    if a.callgrind:
        print("callgrind, main thread: match %.0f instructions per frame, bare loop %.0f; "
              "ratio %.3f" % (ir_match, ir_bare, ir_match / ir_bare))


if __name__ == "__main__":
    main()
