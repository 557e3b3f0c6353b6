"""The title screen's controls, read back from the screen: the keys 1, 2 and 3 cycle their
rows through every value and touch no other row; a click on a value changes it, once
however long a normal click lasts, and a button held on steps it on; a click on "Jouer"
starts a match with the chosen player count."""

import subprocess
import time
import unittest

import harness

ROWS = {  # key -> the values of its row, in order
    "1": ["1 Joueur", "2 Joueurs"],
    "2": ["Facile", "Moyen", "Difficile", "Imbattable"],
    "3": ["Non", "Oui"],
}


MUSIC_VALUE = (222, 319)  # strictly inside "Non" and "Oui"
# Strictly inside the two longest difficulty values, "Difficile" and "Imbattable", and right
# of the others: from "Difficile" one change shows "Imbattable" and a second "Facile", where
# the pointer is off the text and no further change can come. So this row tells no change,
# one and more than one apart, where a two-valued row reads two changes as none.
DIFFICULTY_LONG = (278, 289)
# Inside every difficulty value, right of its first four letters, which tell the values
# apart and which the pointer's sprite (drawn from this point down and right) leaves clear.
DIFFICULTY_ANY = (252, 286)
CLICK_HOLDS = (0.04, 0.10, 0.15, 0.25)  # seconds: a quick click to a slow one
SETTLE = 0.35  # seconds after a release: some 25 frames, time for a late change to show


class TitleMenu(unittest.TestCase):
    def values(self, game, img=None):
        img = img or game.screenshot()
        return {k: game.menu_value(k, img) for k in ROWS}

    @staticmethod
    def settled_value(game, key):
        """The row's value once a release had time to act, the pointer off the rows (a
        star crossing the text can spoil one picture: the next is read then)."""
        time.sleep(SETTLE)
        return game.wait_screen(lambda i: game.menu_value(key, i) in ROWS[key]
                                and game.menu_value(key, i), 5, "row %s's value" % key)[0]

    @staticmethod
    def button_held(game, seconds):
        """The left button pressed and released by real X events seconds apart. Both and the
        wait between are one xdotool run, so that starting a process does not lengthen the
        hold. Returns the running xdotool."""
        return subprocess.Popen(["xdotool", "mousedown", "1", "sleep", "%.3f" % seconds,
                                 "mouseup", "1"], env=game.env, stdout=subprocess.DEVNULL)

    def click_held(self, game, at, seconds):
        """Points at `at`, holds the button for seconds, then moves the pointer away."""
        game.point_at(*at)
        self.assertEqual(self.button_held(game, seconds).wait(30), 0)
        game.mouse_move(630, 150)

    def test_keys_cycle_their_rows(self):
        with harness.Game(name="menu-keys") as game:
            game.wait_title(30)
            game.mouse_move(630, 150)
            start = self.values(game)
            for key, values in ROWS.items():
                with self.subTest(key=key):
                    self.assertIn(start[key], values)
                    seen = []
                    for _ in values:
                        before = self.values(game)
                        img = game.press_until(
                            key, lambda i: game.menu_value(key, i) != before[key], 10,
                            "row %s to change" % key)[1]
                        after = self.values(game, img)
                        i = values.index(before[key])
                        self.assertEqual(after[key], values[(i + 1) % len(values)])
                        others = {k: v for k, v in after.items() if k != key}
                        self.assertEqual(others, {k: v for k, v in before.items() if k != key})
                        seen.append(after[key])
                    # Once round every value, back to where it began.
                    self.assertEqual(sorted(seen), sorted(values))
                    self.assertEqual(seen[-1], start[key])

    def test_click_on_a_value_changes_it(self):
        with harness.Game(name="menu-click") as game:
            game.wait_title(30)
            game.mouse_move(630, 150)
            before = self.values(game)
            # Strictly inside the difficulty value's text. Only a change, not its size, is
            # checked here (four values keep it from coming back round to the same one);
            # the case below counts the changes. A click no frame saw changes nothing, and
            # is made again.
            for _ in range(3):
                game.click(218 + 4, 285 + 4, hold=0.06)
                game.mouse_move(630, 150)
                try:
                    img = game.wait_screen(lambda i: game.menu_value("2", i) != before["2"],
                                           5, "the difficulty to change")[1]
                    break
                except TimeoutError:
                    continue
            else:
                self.fail("three clicks on the difficulty did not change it")
            after = self.values(game, img)
            self.assertIn(after["2"], ROWS["2"])
            self.assertEqual(after["1"], before["1"])
            self.assertEqual(after["3"], before["3"])

    def test_a_click_changes_a_value_once_and_a_held_button_steps_on(self):
        with harness.Game(name="menu-click-once") as game:
            game.wait_title(30)
            game.mouse_move(630, 150)
            # What a player sees: a click on "Musique :" turns it over, whether quick or
            # slow. Changed twice it would read as not changed at all.
            for hold in CLICK_HOLDS:
                with self.subTest(row="Musique", hold_ms=hold * 1000):
                    before = self.settled_value(game, "3")
                    self.click_held(game, MUSIC_VALUE, hold)
                    self.assertNotEqual(self.settled_value(game, "3"), before,
                                        "a click of %.0f ms left the music at %r: changed "
                                        "twice (or seen by no frame)" % (hold * 1000, before))
            # The count, exactly: no change, one or more (see DIFFICULTY_LONG). A press that
            # no frame saw (possible on a loaded machine for the shortest) changes nothing
            # and is made again; two changes cannot be taken for none here.
            for hold in CLICK_HOLDS:
                with self.subTest(row="Difficulte", hold_ms=hold * 1000):
                    game.choose("2", "Difficile")
                    for _ in range(3):
                        self.click_held(game, DIFFICULTY_LONG, hold)
                        after = self.settled_value(game, "2")
                        if after != "Difficile":
                            break
                    self.assertNotEqual(after, "Difficile",
                                        "three clicks of %.0f ms seen by no frame" % (hold * 1000))
                    self.assertEqual(after, "Imbattable",
                                     "a click of %.0f ms changed the difficulty more than once"
                                     % (hold * 1000))
            # Held on, the button keeps stepping the value. The row is read while it is
            # held, and each reading adds the steps from the one before: the row steps at
            # most once in four frames and is read more often than that, so four steps
            # between two readings (which would look like none) are unlikely, and the
            # count can only fall short.
            first4 = {v[:4]: i for i, v in enumerate(ROWS["2"])}

            def step_index(img):
                return first4.get(harness.font().read(img, 218, 285, 4))
            start = ROWS["2"].index(self.settled_value(game, "2"))
            game.point_at(*DIFFICULTY_ANY)
            seen = [start]
            held = self.button_held(game, 1.5)
            while held.poll() is None:
                i = step_index(game.screenshot())
                if i is not None:
                    seen.append(i)
                time.sleep(0.03)
            self.assertEqual(held.wait(), 0)
            game.mouse_move(630, 150)
            seen.append(ROWS["2"].index(self.settled_value(game, "2")))
            steps = sum((b - a) % 4 for a, b in zip(seen, seen[1:]))
            self.assertGreaterEqual(steps, 3, "a button held 1.5 s on the difficulty stepped "
                                    "it %d times, readings %s" % (steps, seen))

    def test_click_on_jouer_starts_a_two_player_match(self):
        with harness.Game(name="menu-jouer") as game:
            game.wait_title(30)
            game.mouse_move(630, 150)
            game.choose("1", "2 Joueurs")
            f = harness.font()
            game.click_until(320, 393, lambda i: f.read(i, 5, 16, 12) == "Joueur 2 : 0", 30,
                             "a two-player match")
            game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")
            # Back on the title screen the settings are as they were left.
            img = game.press_until("Return", game.is_title, 30, "the title screen")[1]
            self.assertEqual(game.menu_value("1", img), "2 Joueurs")


if __name__ == "__main__":
    harness.main()
