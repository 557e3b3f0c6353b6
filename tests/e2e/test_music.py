"""The match's music, heard in the ALSA capture: with "Musique : Oui" the tune plays
through the MIDI patch set beside the binary; with "Non", or with no patch set, a match
is silent; leaving the match stops the tune. No ball is served, so no sample plays."""

import unittest

import harness

SECONDS = 3.0       # of sound examined in each stretch
WINDOW = 4410       # frames: 0.1 s windows
SILENT_PEAK = 16    # of 32767: anything louder is heard


class Music(unittest.TestCase):
    def match_sound(self, game, music):
        """Starts a match and returns SECONDS of what the game plays once it shows."""
        game.start_match(players=1, music=music)
        start = game.sound_mark()
        end = game.wait_sound(start, SECONDS)
        return game.sound(start, end)

    def assert_silent(self, samples):
        frames, peak, _ = harness.sound_stats(samples)
        self.assertEqual(frames, int(SECONDS * harness.SOUND_RATE))
        self.assertLessEqual(peak, SILENT_PEAK)

    def test_music_on_plays_then_stops_when_the_match_is_left(self):
        with harness.Game(name="music-on") as game:
            samples = self.match_sound(game, music=True)
            _, peak, rms = harness.sound_stats(samples)
            self.assertGreater(peak, 2000)
            loud = [w for w in harness.rms_windows(samples, WINDOW) if w > 200]
            # A tune, not a click: sound in a good part of the stretch.
            self.assertGreater(len(loud), 0.3 * SECONDS * 10, "rms %.0f" % rms)

            game.press_until("Escape", harness.pause_box_shown, 20, "the pause box")
            game.press_until("Return", game.is_title, 30, "the title screen")
            # Skip what was mixed before the tune stopped but written out after.
            start = game.sound_mark() + WINDOW
            self.assert_silent(game.sound(start, game.wait_sound(start, SECONDS)))

    def test_music_off_is_silent(self):
        with harness.Game(name="music-off") as game:
            self.assert_silent(self.match_sound(game, music=False))

    def test_no_tune_without_the_patch_set(self):
        # The same binary copied where there is no patches.dat: the samples could still
        # play, but the tune has no instruments, so the sound heard above is the tune.
        with harness.Game(name="no-patches", without_patches=True) as game:
            self.assert_silent(self.match_sound(game, music=True))


if __name__ == "__main__":
    harness.main()
