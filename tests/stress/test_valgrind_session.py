"""A whole session of the real game under valgrind's memcheck: the title screen, a match
with a serve, points, a screenshot and the pause box, back to the title, two more
matches, then quit. The game's own code must make no invalid read or write, use no
uninitialised value and lose no memory for good; and the heap in use on the title screen
must be the same after the second and the third match as after the first (measured by
memcheck itself, through vgdb, at the same place each time: the least of three readings,
as the library's X thread holds a reply or an event for a moment now and then).

Errors whose stack has no frame in the game's binary are the library's or X's: they are
listed, and must be covered by a one-line-explained entry of valgrind.supp.
"""

import os
import re
import subprocess
import sys
import time
import unittest
import xml.etree.ElementTree as ET

import harness

SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "valgrind.supp")
SLOW = 120  # seconds for anything the game must show: valgrind runs it some 30 times slower


class ValgrindGame(harness.Game):
    """The game started under memcheck, with its report written as XML."""

    def _launch(self):
        self.xml_path = os.path.join(self.dir, "memcheck.xml")
        self.binary_path = os.path.realpath(self.binary)
        self.stdout_path = os.path.join(self.dir, "stdout")
        self.stderr_path = os.path.join(self.dir, "stderr")
        cmd = ["valgrind", "--tool=memcheck", "--xml=yes", "--xml-file=" + self.xml_path,
               "--leak-check=full", "--show-leak-kinds=definite",
               "--errors-for-leak-kinds=definite", "--track-origins=yes",
               "--num-callers=30", "--suppressions=" + SUPPRESSIONS,
               "--vgdb=yes", "--vgdb-prefix=" + os.path.join(self.dir, "vgdb"),
               self.binary]
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(cmd, cwd=self.work, env=self.env,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                         start_new_session=True)

    def heap_in_use(self):
        """Bytes and blocks the heap holds now, by memcheck's own leak search."""
        out = subprocess.run(["vgdb", "--vgdb-prefix=" + os.path.join(self.dir, "vgdb"),
                              "--pid=%d" % self.proc.pid, "leak_check", "summary"],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=SLOW,
                             env=self.env).stdout.decode(errors="replace")
        total_bytes = total_blocks = 0
        found = 0
        for kind in ("definitely lost", "indirectly lost", "possibly lost", "still reachable",
                     "suppressed"):
            # e.g. "still reachable: 2,463,986 (+2,463,986) bytes in 1,262 (+1,262) blocks"
            m = re.search(kind + r": ([\d,]+) (?:\(\S+\) )?bytes in ([\d,]+) ", out)
            if m:
                found += 1
                total_bytes += int(m.group(1).replace(",", ""))
                total_blocks += int(m.group(2).replace(",", ""))
        if found != 5:
            raise AssertionError("no leak summary from vgdb:\n" + out)
        return total_bytes, total_blocks

    # --- input that waits for its effect: a frame takes a while under valgrind ---------

    def press_until(self, key, done, what, tries=6):
        """Taps key until done(screenshot) holds, waiting up to SLOW seconds after each tap."""
        for _ in range(tries):
            self.tap(key, hold=0.4)
            try:
                return self.wait_screen(done, SLOW / tries, what, interval=0.3)[1]
            except TimeoutError:
                continue
        raise AssertionError("%s never happened after %d taps of %s" % (what, tries, key))


def in_match(img):
    return harness.font().read(img, 5, 5, 12) == "Joueur 1 : 0"


def pause_on_screen(img):
    return harness.sprite("pause").score_at(img, 178, 181, 0.9) >= 0.9


def ball_moves(game):
    a = harness.find_ball(game.screenshot())
    time.sleep(0.5)
    b = harness.find_ball(game.screenshot())
    return a is not None and b is not None and a != b


class ValgrindSession(unittest.TestCase):
    def play_match(self, game, full):
        """From the title screen: a match, served; with full, a point, a screenshot and a
        pause resumed; then left through the pause box, back to the title screen."""
        game.press_until("Return", in_match, "the match")
        harness.wait_until(lambda: (game.tap("space"), ball_moves(game))[1], SLOW, 0.5,
                           "the served ball to move")
        if full:
            # The idle left player concedes: the computer's score reaches 1.
            def computer_scored(img):
                return harness.font().read(img, 5, 16, 14) == "Ordinateur : 1"
            game.wait_screen(computer_scored, SLOW, "the computer's point", interval=0.5)
            shot = game.capture(SLOW)
            self.assertEqual((shot.w, shot.h), (640, 480))
            game.press_until("Escape", pause_on_screen, "the pause box")
            game.press_until("Escape", lambda img: not pause_on_screen(img), "the match again")
        game.press_until("Escape", pause_on_screen, "the pause box")
        game.press_until("Return", harness.Game.is_title, "the title screen")

    def test_session_is_clean_and_the_heap_does_not_grow_between_matches(self):
        started = time.monotonic()
        with ValgrindGame(name="valgrind-session") as game:
            game.wait_title(SLOW * 2)
            game.mouse_move(630, 150)
            heap = []
            for k in range(3):
                self.play_match(game, full=(k == 0))
                # The title screen's own frames allocate nothing: measure once it shows.
                # The library's X thread may hold a reply or an event for a moment, so the
                # least of a few readings is taken.
                readings = []
                for _ in range(3):
                    readings.append(game.heap_in_use())
                    time.sleep(0.3)
                heap.append(min(readings))
            code = None
            for _ in range(3):
                game.tap("Escape", hold=0.4)
                try:
                    code = game.wait_exit(SLOW)
                    break
                except TimeoutError:
                    continue
            with open(game.xml_path, "rb") as f:
                report = f.read()
            binary = game.binary_path
        print("\nvalgrind session: %.0f s; heap in use on the title screen after matches "
              "1, 2, 3: %s" % (time.monotonic() - started,
                               ", ".join("%d bytes in %d blocks" % h for h in heap)))
        self.assertEqual(code, 0)

        ours, theirs = classify(report, binary)
        print("memcheck: %d error(s) with a frame in the game, %d only in the library or X"
              % (len(ours), len(theirs)))
        for e in theirs:
            print("  library: " + e)
        sys.stdout.flush()
        self.assertEqual(ours, [])
        self.assertEqual(theirs, [], "a new report from the library or X: look into it, and "
                         "if it is not the game's doing, add a narrow, explained valgrind.supp entry")
        # No growth from one match to the next, to the byte.
        self.assertEqual(heap[1], heap[0])
        self.assertEqual(heap[2], heap[1])


def classify(report, binary):
    """The errors of a memcheck XML report, as one-line descriptions, split into the
    game's and the others: an error is the game's when the innermost frame outside the
    allocator and the C library is in the game's binary (for a leak, the allocation was
    made by the game's own code)."""
    root = ET.fromstring(report)
    ours, theirs = [], []
    for err in root.iter("error"):
        kind = err.findtext("kind")
        what = err.findtext("what") or err.findtext("xwhat/text") or ""
        frames = err.find("stack").findall("frame")
        objs = [f.findtext("obj") or "" for f in frames]
        names = ["%s%s" % (f.findtext("fn") or "?",
                           (" (%s:%s)" % (f.findtext("file"), f.findtext("line")))
                           if f.findtext("file") else "") for f in frames]
        line = "%s: %s; at %s" % (kind, what, " < ".join(names[:8]))
        owner = next((o for o in objs if not re.search(r"vgpreload|/libc\.so|/libc-", o)), "")
        (ours if owner and os.path.realpath(owner) == binary else theirs).append(line)
    return ours, theirs


if __name__ == "__main__":
    harness.main()
