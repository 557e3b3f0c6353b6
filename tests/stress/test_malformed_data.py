"""Start-up with hundreds of damaged copies of the project's data file (see malformed.py):
every start either goes on normally or ends with exit code 1 and exactly "Error loading
'tabrivet.dat'" through xmessage; never a crash, a hang or a sanitizer report.

All the variants go through stress_load_probe (the game's own start-up up to and including
load_assets, then exit), several at a time; a sample of them, every group represented,
goes through the real game, which must reach the title screen (then quit on Esc) or refuse
the file the same way, and agree with the probe on which.

Run by CTest with the harness's options plus --probe PATH.
"""

import collections
import concurrent.futures
import copy
import os
import queue
import random
import shutil
import subprocess
import sys
import tempfile
import unittest

import harness
import malformed

LOAD_ERROR = b"Error loading 'tabrivet.dat'\n"
# The library could not start at all (its X connection failed): the variant was not tried.
NO_SYSTEM = b"Le driver syst\xe8me ne peut \xeatre initialis\xe9 :(\n"
SANITIZER_MARKS = (b"Sanitizer", b"runtime error:")
WORKERS = max(2, os.cpu_count() or 2)
NOBODY = 65534

probe_binary = None


class VariantGame(harness.Game):
    """A program of the game (the game itself or the probe) started on one variant in its
    working folder. An unreadable file is only unreadable to someone other than root, so
    when the tests run as root that one start runs as nobody."""

    def __init__(self, variant, binary, display, name):
        cfg = copy.copy(harness.config())
        cfg.binary = binary
        super().__init__(cfg=cfg, data=None, display=display, name=name)
        self.variant = variant
        self.as_nobody = variant.kind == "unreadable" and os.geteuid() == 0

    def _prepare(self):
        super()._prepare()
        self.variant.install(self.work)
        if self.as_nobody:
            for d in (self.dir, self.work, self.home):
                os.chmod(d, 0o777)

    def _launch(self):
        if not self.as_nobody:
            return super()._launch()

        def drop():
            os.setgid(NOBODY)
            os.setuid(NOBODY)
        self.stdout_path = os.path.join(self.dir, "stdout")
        self.stderr_path = os.path.join(self.dir, "stderr")
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen([self.binary], cwd=self.work, env=self.env,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                         start_new_session=True, preexec_fn=drop)


def verdict(game, code):
    """'start', 'refuse', 'retry' (the library itself could not start) or a description
    of what went wrong."""
    err = game.stderr()
    if any(m in err for m in SANITIZER_MARKS) or code in (86, 87):
        return "sanitizer report (exit %s): %s" % (code, err[-1500:].decode(errors="replace"))
    if code == 0:
        if game.message() is not None:
            return "exit 0 but a message: %r" % game.message()
        return "start"
    if code == 1:
        if game.message() == LOAD_ERROR:
            return "refuse"
        if game.message() is None and err.endswith(NO_SYSTEM):
            return "retry"
        return "exit 1 with message %r, stderr %r" % (game.message(), err[-300:])
    return "exit code %s (negative: signal), stderr %r" % (code, err[-600:])


def probe_once(variant, display):
    with VariantGame(variant, probe_binary, display, "probe-" + variant.name) as game:
        try:
            code = game.wait_exit(60)
        except TimeoutError:
            return "hang: still running after 60 s"
        v = verdict(game, code)
        if v == "start" and not game.stdout().startswith(b"loaded "):
            return "exit 0 without loading: %r" % game.stdout()
        return v


def game_once(variant, display):
    """The real game on a variant: refuses it, or shows the title screen and quits on Esc."""
    with VariantGame(variant, harness.config().binary, display, "game-" + variant.name) as game:
        def settled():
            if not game.running():
                return "exited"
            return "title" if game.title_shown() else None
        try:
            state = harness.wait_until(settled, 60, 0.1, "the title screen or the exit")
        except TimeoutError:
            return "hang: neither the title screen nor an exit after 60 s"
        if state == "title":
            game.tap("Escape")
        try:
            code = game.wait_exit(60)
        except TimeoutError:
            return "hang: no exit within 60 s of Esc on the title screen"
        v = verdict(game, code)
        if state == "title" and v != "start":
            return "title screen shown, then: " + v
        return v


def run_all(fn, variants, servers):
    """fn(variant, display) for every variant, one worker per X server; a start the
    library itself could not make is tried again (twice at most) and counted."""
    retried = []
    free = queue.Queue()
    for s in servers:
        free.put(s.display)

    def work(variant):
        # Each start has a display to itself, so that key presses reach the right window.
        display = free.get()
        try:
            for _ in range(3):
                v = fn(variant, display)
                if v != "retry":
                    return variant, v
                retried.append(variant)
            return variant, "the library could not start three times"
        finally:
            free.put(display)
    with concurrent.futures.ThreadPoolExecutor(len(servers)) as pool:
        results = list(pool.map(work, variants))
    return results, retried


def report(title, results, retried):
    table = collections.OrderedDict()
    for variant, v in results:
        row = table.setdefault(variant.group, collections.Counter())
        row[v if v in ("start", "refuse") else "FAULT"] += 1
    print("\n%s: %d files" % (title, len(results)))
    for group, row in table.items():
        print("  %-14s %4d: %3d started, %3d refused, %d faults"
              % (group, sum(row.values()), row["start"], row["refuse"], row["FAULT"]))
    if retried:
        print("  (%d starts where the library could not open the display were made again: %s)"
              % (len(retried), ", ".join(map(repr, retried))))
    sys.stdout.flush()


class MalformedDataFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="tabrivet-malformed-")
        os.chmod(cls.tmp, 0o755)
        cfg = harness.config()
        cls.variants = malformed.make_variants(cfg.data, os.path.join(cls.tmp, "files"),
                                               cfg.assets)
        os.chmod(os.path.join(cls.tmp, "files"), 0o755)
        cls.servers = [harness.XServer().start() for _ in range(WORKERS)]
        cls.probed = None

    @classmethod
    def tearDownClass(cls):
        for s in cls.servers:
            s.stop()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def probe_results(self):
        cls = type(self)
        if cls.probed is None:
            results, retried = run_all(probe_once, cls.variants, cls.servers)
            report("Start-up up to the data file (stress_load_probe)", results, retried)
            cls.probed = dict((v.name + "/" + v.group, r) for v, r in results), results
        return cls.probed

    def check(self, results):
        faults = ["%r: %s" % (v, r) for v, r in results if r not in ("start", "refuse")]
        self.assertEqual(faults, [])
        wrong = ["%r: expected to %s, did %s" % (v, v.expect, r) for v, r in results
                 if v.expect != "either" and r != v.expect]
        self.assertEqual(wrong, [])

    def test_every_variant_starts_or_is_refused_with_the_message(self):
        self.assertGreaterEqual(len(self.variants), 300)
        groups = set(v.group for v in self.variants)
        self.assertEqual(groups, {"good", "cut_boundary", "cut_random", "flip", "field",
                                  "wrong_type", "count", "other"})
        _, results = self.probe_results()
        self.check(results)

    def test_the_real_game_agrees_on_a_sample_of_every_group(self):
        by_name, _ = self.probe_results()
        rng = random.Random(malformed.SEED)
        sample = []
        for group in sorted(set(v.group for v in self.variants)):
            members = [v for v in self.variants if v.group == group]
            if group in ("good", "other"):
                sample += members
                continue
            started = [v for v in members if by_name[v.name + "/" + v.group] == "start"]
            refused = [v for v in members if v not in started]
            sample += rng.sample(started, min(3, len(started)))
            sample += rng.sample(refused, min(5, len(refused)))
        results, retried = run_all(game_once, sample, self.servers)
        report("The game itself", results, retried)
        self.check(results)
        disagree = ["%r: game %s, probe %s" % (v, r, by_name[v.name + "/" + v.group])
                    for v, r in results if r != by_name[v.name + "/" + v.group]]
        self.assertEqual(disagree, [])


if __name__ == "__main__":
    args = sys.argv[1:]
    if "--probe" in args:
        i = args.index("--probe")
        probe_binary = args[i + 1]
        del args[i:i + 2]
    if not probe_binary:
        sys.exit("test_malformed_data: --probe PATH is needed")
    sys.argv[1:] = args
    harness.main()
