"""A match seen from outside: where things start, the serve, the ball's motion and a point
against an idle player, the right paddle under Up/Down in two-player mode, and the left
paddle under a real held A key. Positions come from capture.pcx (Print Screen) and from
screenshots, by finding the game's sprites."""

import time
import unittest

import harness

CENTRE = (320, 240)


class Match(unittest.TestCase):
    def ball_waiting(self, game):
        """True when two screenshots 0.3 s apart both show the ball at the centre."""
        if harness.find_ball(game.screenshot()) != CENTRE:
            return False
        time.sleep(0.3)
        return harness.find_ball(game.screenshot()) == CENTRE

    def keep_in_play(self, game, until, timeout, what):
        """Polls screenshots until until(img) is true, serving again whenever a point has
        put the ball back at the centre (paddles stand still while it waits there)."""
        def probe():
            img = game.screenshot()
            if until(img):
                return img
            if harness.find_ball(img) == CENTRE:
                game.tap("space")
            return None
        return harness.wait_until(probe, timeout, 0.05, what)

    def serve(self, game):
        """Holds Space until the ball has left the centre."""
        game.press_until("space", lambda img: harness.find_ball(img) not in (None, CENTRE),
                         20, "the served ball to leave the centre")

    def assert_start_positions(self, img):
        self.assertEqual(harness.find_ball(img), CENTRE)
        left = harness.find_paddle(img, "left")
        right = harness.find_paddle(img, "right")
        self.assertEqual(left, (2, 160))
        self.assertEqual(right, (640 - 2 - harness.sprite("paddle_right").w, 160))

    def test_served_ball_moves_and_the_idle_player_loses_a_point(self):
        with harness.Game(name="match-serve") as game:
            game.start_match(players=1)
            first = game.capture()
            self.assertEqual((first.w, first.h), (640, 480))
            self.assert_start_positions(first)
            time.sleep(1.0)
            self.assert_start_positions(game.capture())  # nothing moves before the serve

            self.serve(game)
            # Captures until one shows the ball away from the centre (a point puts it back).
            def moved():
                c = game.capture()
                ball = harness.find_ball(c)
                return c if ball and ball != CENTRE else None
            moving = harness.wait_until(moved, 20, 0, "the served ball away from the centre")
            ball = harness.find_ball(moving)
            # It goes diagonally: as far from the centre across as up or down, until an
            # edge turns it back (no edge is nearer than 224 px across or down).
            dx, dy = abs(ball[0] - CENTRE[0]), abs(ball[1] - CENTRE[1])
            if dx < 224:
                self.assertLessEqual(abs(dx - dy), 4, "ball at %s" % (ball,))
            # With the ball in play, the computer moves its paddle after it.
            game.wait_screen(lambda img: harness.find_paddle(img, "right") not in (None, (628, 160)),
                             20, "the computer's paddle to move")

            f = harness.font()

            def computer_scored(img):
                return f.read(img, 5, 16, 14) == "Ordinateur : 1"
            img = self.keep_in_play(game, computer_scored, 60, "the computer's first point")
            self.assertEqual(f.read(img, 5, 5, 12), "Joueur 1 : 0")
            # After the point the ball waits at the centre for the next serve.
            harness.wait_until(lambda: self.ball_waiting(game), 20, 0.1, "the ball to wait")
            time.sleep(1.0)
            self.assertEqual(harness.find_ball(game.capture()), CENTRE)

    def test_two_players_up_and_down_move_the_right_paddle(self):
        with harness.Game(name="match-right") as game:
            self.assert_start_positions(game.start_match(players=2))
            self.serve(game)
            time.sleep(0.5)
            # Nobody drives the right paddle but its player.
            self.assertEqual(harness.find_paddle(game.screenshot(), "right")[1], 160)

            def right_y(img):
                p = harness.find_paddle(img, "right")
                return p[1] if p else None

            game.key_down("Down")
            try:
                img = self.keep_in_play(game, lambda i: (right_y(i) or 0) >= 390, 20,
                                        "the right paddle at the bottom")
            finally:
                game.key_up("Down")
            self.assertEqual(harness.find_paddle(img, "left"), (2, 160))

            game.key_down("Up")
            try:
                img = self.keep_in_play(game, lambda i: right_y(i) == 0, 20,
                                        "the right paddle at the top")
            finally:
                game.key_up("Up")
            self.assertEqual(harness.find_paddle(img, "left"), (2, 160))

    def test_held_a_key_moves_the_left_paddle_across_the_screen_in_two_seconds(self):
        # X's usual auto-repeat, as a player has it: the held key is reported again and
        # again, and must count in every step while it is down.
        with harness.Game(name="match-held-a", autorepeat_delay=None) as game:
            game.start_match(players=2)
            game.key_down("z")
            try:
                self.serve(game)
                self.keep_in_play(game, lambda i: (harness.find_paddle(i, "left") or (0, 0))[1]
                                  >= 390, 20, "the left paddle at the bottom")
            finally:
                game.key_up("z")
            # A fresh serve lasts long enough for the whole climb.
            harness.wait_until(lambda: self.ball_waiting(game), 60, 0.1, "a point")
            before = harness.find_paddle(game.capture(), "left")
            self.assertIsNotNone(before)
            self.assertGreaterEqual(before[1], 390)

            game.key_down("a")
            try:
                held_from = time.monotonic()
                self.serve(game)
                # Two seconds from the press; at least half a second of them after the
                # serve, should the serve have been slow to show.
                time.sleep(max(0.5, held_from + 2.0 - time.monotonic()))
            finally:
                game.key_up("a")
            after = harness.find_paddle(game.capture(), "left")
            self.assertIsNotNone(after)
            # 300 of the 399 rows a paddle can travel.
            self.assertGreaterEqual(before[1] - after[1], 300, "from %s to %s" % (before, after))


if __name__ == "__main__":
    harness.main()
