"""Start-up with no X display: the library cannot start, so the game prints its message in
Latin-1 on stderr and exits with code 1 rather than dying on a signal."""

import unittest

import harness

NO_SYSTEM = b"Le driver syst\xe8me ne peut \xeatre initialis\xe9 :(\n"


class NoDisplay(unittest.TestCase):
    def test_message_on_stderr_and_exit_code_1(self):
        with harness.Game(display=None, name="no-display") as game:
            code = game.wait_exit(30)
            self.assertEqual(code, 1, "negative: ended by that signal")
            self.assertEqual(game.stderr(), NO_SYSTEM)
            # No graphics, so no dialog either: the message went to the terminal only.
            self.assertIsNone(game.message())


if __name__ == "__main__":
    harness.main()
