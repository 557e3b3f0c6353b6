"""The title screen's controls, read back from the screen: the keys 1, 2 and 3 cycle their
rows through every value and touch no other row; a click on a value changes it; a click
on "Jouer" starts a match with the chosen player count."""

import unittest

import harness

ROWS = {  # key -> the values of its row, in order
    "1": ["1 Joueur", "2 Joueurs"],
    "2": ["Facile", "Moyen", "Difficile", "Imbattable"],
    "3": ["Non", "Oui"],
}


class TitleMenu(unittest.TestCase):
    def values(self, game, img=None):
        img = img or game.screenshot()
        return {k: game.menu_value(k, img) for k in ROWS}

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
            # Strictly inside the difficulty value's text. A held button changes the value
            # again every few frames, so the click is short and only a change, not its
            # size, is checked (four values keep it from coming back round to the same
            # one). A click no frame saw changes nothing, and is made again.
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
