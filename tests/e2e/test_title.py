"""The title screen as the game starts: the logo, the three settings rows with a value each,
the "Jouer" button; Esc quits with exit code 0."""

import unittest

import harness

ROWS = [  # (row y, label, values it may show)
    (255, "Nombre de joueurs :", ("1 Joueur", "2 Joueurs")),
    (285, "Difficulte :", ("Facile", "Moyen", "Difficile", "Imbattable")),
    (315, "Musique :", ("Non", "Oui")),
]
BUTTON = (280, 383, 360, 403)  # left, top, right, bottom of its outline


class TitleScreen(unittest.TestCase):
    def test_title_screen_then_escape_quits(self):
        with harness.Game(name="title") as game:
            img = game.wait_title(30)
            game.mouse_move(630, 150)  # keeps the pointer's sprite off what is read
            img = game.wait_screen(lambda i: harness.font().find(i, "Jouer", 390, (280, 330)),
                                   10, "the Jouer button's text")[1]
            f = harness.font()

            for y, label, values in ROWS:
                with self.subTest(row=label):
                    x = f.find(img, label, y, (0, 218 - 8 * len(label) + 1))
                    self.assertIsNotNone(x, "%r not drawn on row %d left of the values"
                                         % (label, y))
                    value = f.read(img, 218, y, max(map(len, values))).rstrip()
                    self.assertIn(value, values)
            self.assertEqual(f.read(img, 218, 255, 9).rstrip(), "1 Joueur")

            # The button: an outline of one colour around the text "Jouer".
            left, top, right, bottom = BUTTON
            outline = ([(x, top) for x in range(left, right + 1)]
                       + [(x, bottom) for x in range(left, right + 1)]
                       + [(left, y) for y in range(top, bottom + 1)]
                       + [(right, y) for y in range(top, bottom + 1)])
            colours = {img.pixel(x, y) for x, y in outline}
            self.assertEqual(len(colours), 1, "button outline not of one colour")
            self.assertGreater(max(colours.pop()), 100, "button outline not drawn")
            x = f.find(img, "Jouer", 390, (left + 1, right - 40 + 1))
            self.assertIsNotNone(x, "no 'Jouer' inside the button")

            logo = harness.sprite("logo")
            where = logo.find(img, (0, 0, 640, 240))
            self.assertIsNotNone(where, "logo not found")
            self.assertLess(where[1], 255 - logo.h, "logo not above the rows")

            self.assertEqual(game.quit(), 0)


if __name__ == "__main__":
    harness.main()
