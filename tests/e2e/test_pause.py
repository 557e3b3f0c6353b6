"""The pause box of a match: Esc opens it at (178, 181) and the Esc still held from
opening it does not close it; the match stands still behind it and goes on from where it
stood; Esc or a click on "resume" closes it, Enter or a click on "leave" ends the match
(mouse coordinates are the picture's own there); a new match waits for its serve."""

import time
import unittest

import harness

CENTRE = (320, 240)
BOX = (harness.PAUSE_AT[0], harness.PAUSE_AT[1], 284, 118)  # x, y, w, h on the screen
LEAVE = (70, 105)     # in the picture: columns 1-138, rows 95-116
RESUME = (210, 105)   # in the picture: columns 145-282, rows 95-116


def clear_of_box(ball, margin=12):
    x, y, w, h = BOX
    return not (x - margin <= ball[0] <= x + w + margin and y - margin <= ball[1] <= y + h + margin)


class PauseBox(unittest.TestCase):
    def open_box(self, game, hold=0.25):
        game.tap("Escape", hold=hold)
        return game.wait_screen(harness.pause_box_shown, 20, "the pause box")[1]

    def serve_and_wait_clear_of_box(self, game):
        """Serves, and returns a screenshot where the ball is in play outside the box's
        area (so that it stays visible while the box is up)."""
        game.tap("space")
        return game.wait_screen(
            lambda img: (lambda b: b and b != CENTRE and clear_of_box(b))(harness.find_ball(img)),
            20, "the ball in play clear of the box")[1]

    def test_box_freezes_the_match_and_escape_resumes_it_from_there(self):
        with harness.Game(name="pause-freeze") as game:
            game.start_match(players=1)
            self.serve_and_wait_clear_of_box(game)
            # Held for longer than a tap but less than the X auto-repeat delay.
            pressed = time.monotonic()
            img = self.open_box(game, hold=0.4)
            time.sleep(1.0)
            still = game.screenshot()
            self.assertTrue(harness.pause_box_shown(still), "the held Esc closed the box")
            frozen = harness.find_ball(img)
            self.assertIsNotNone(frozen)
            self.assertEqual(harness.find_ball(still), frozen, "the ball moved during the pause")
            self.assertEqual(still.differs(img, (0, 0, 640, 30)), 0, "the score line changed")
            time.sleep(1.0)
            resumed_at = time.monotonic()
            paused_for = resumed_at - pressed
            game.tap("Escape")
            img = game.wait_screen(lambda i: not harness.pause_box_shown(i), 20,
                                   "the box to close")[1]
            ball = harness.find_ball(img)
            elapsed = time.monotonic() - resumed_at
            self.assertIsNotNone(ball)
            if ball[1] >= 40:    # else the ball hides part of the score line
                f = harness.font()
                self.assertEqual((f.read(img, 5, 5, 12), f.read(img, 5, 16, 14)),
                                 ("Joueur 1 : 0", "Ordinateur : 0"), "a point was scored")
            # 0.25 px/ms along each axis: it cannot have gone further than the time since
            # the resume allows (the paused seconds would have carried it further).
            for axis in (0, 1):
                self.assertLessEqual(abs(ball[axis] - frozen[axis]), 250 * elapsed + 16,
                                     "from %s to %s in %.2f s after %.1f s paused"
                                     % (frozen, ball, elapsed, paused_for))
            # And the match goes on.
            game.wait_screen(lambda i: harness.find_ball(i) not in (None, ball), 20,
                             "the ball to move on")

    def test_enter_leaves_the_match_for_the_title_screen(self):
        with harness.Game(name="pause-enter") as game:
            game.start_match(players=1)
            self.open_box(game)
            game.tap("Return")
            game.wait_title(30)
            game.tap("Escape")
            self.assertEqual(game.wait_exit(30), 0)

    def test_mouse_resume_then_mouse_leave(self):
        with harness.Game(name="pause-mouse") as game:
            game.start_match(players=1)
            self.open_box(game)
            game.click(*RESUME)
            game.wait_screen(lambda i: not harness.pause_box_shown(i), 20, "the box to close")
            self.assertEqual(game.score_line(), ("Joueur 1 : 0", "Ordinateur : 0"))
            self.open_box(game)
            game.click(*LEAVE)
            game.wait_title(30)

    def test_a_new_match_waits_for_its_serve(self):
        # The previous match is left while its ball is in play.
        with harness.Game(name="pause-new-match") as game:
            game.start_match(players=1)
            self.serve_and_wait_clear_of_box(game)
            self.open_box(game)
            game.tap("Return")
            game.wait_title(30)
            game.start_match(players=1)
            first = harness.find_ball(game.capture())
            time.sleep(1.0)
            second = harness.find_ball(game.capture())
            self.assertEqual((first, second), (CENTRE, CENTRE),
                             "the ball of a new match moved before any serve")


if __name__ == "__main__":
    harness.main()
