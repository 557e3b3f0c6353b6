"""The hit and bounce samples, heard in the ALSA capture. A match with sound on also plays
the tune, which would cover them; so the binary runs from a copy with no MIDI patch set
beside it: the tune has no instruments and is silent (see test_music), while the samples
still play. Every sound that starts after a silence is then compared, waveform against
waveform, with bounce.wav and hit.wav from the asset folder.

From a serve at the centre the ball goes diagonally and reaches the top or bottom edge
(224 px away) before either paddle (about 300 px away), so the first sound of a serve is
a bounce; a hit comes when the computer returns the ball."""

import os
import time
import unittest

import harness

SAME_WAVEFORM = 0.9   # normalised correlation above which a sound is that sample
LEVEL = 64            # of 65534 (left + right): quieter than that is silence here


class SoundEffects(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.templates = {}
        for name in ("bounce", "hit"):
            rate, frames = harness.read_wav(os.path.join(harness.config().assets, name + ".wav"))
            cls.templates[name] = harness.resample(frames, rate)

    def identify(self, signal, onset):
        """The sample that starts at onset ('bounce', 'hit' or None) and the scores."""
        return harness.identify_sound(signal, onset, self.templates, same=SAME_WAVEFORM)

    def test_bounce_and_hit_samples_are_heard(self):
        with harness.Game(name="effects", without_patches=True) as game:
            game.start_match(players=1, music=True)
            start = game.sound_mark()
            end = game.wait_sound(start, 1.0)
            _, peak, _ = game.sound_stats(start, end)
            self.assertLessEqual(peak, 16, "sound before the serve")

            heard = []   # (frame, name or None, scores) of every sound so far
            # Each look covers from 50 ms before the end of the previous one, for the
            # quiet that must come before a sound, and stops 100 ms short of the end of
            # the capture, for the sound to be there whole enough to compare.
            quiet, tail = 2205, 4410
            checked = end - quiet
            deadline = time.monotonic() + 60
            game.press_until("space", lambda img: harness.find_ball(img) != (320, 240), 20,
                             "the served ball to leave the centre")
            while time.monotonic() < deadline and "hit" not in [h[1] for h in heard]:
                time.sleep(0.5)
                if harness.find_ball(game.screenshot()) == (320, 240):
                    game.tap("space")    # the ball waits after a point: serve again
                now = game.sound_mark()
                if now - checked < quiet + tail + 4410:
                    continue
                signal = harness.mono(game.sound(checked, now))
                for o in harness.onsets(signal[:-tail], LEVEL, quiet):
                    if o >= quiet:
                        name, scores = self.identify(signal, o)
                        heard.append((checked + o, name, scores))
                checked = now - tail - quiet
            report = "; ".join("%d %s %s" % (f, n, {k: round(v, 3) for k, v in s.items()})
                               for f, n, s in heard)
            print("sounds heard (frame, sample, scores):", report)
            names = [h[1] for h in heard]
            self.assertTrue(heard, "no sound after the serve")
            self.assertEqual(names[0], "bounce", report)
            self.assertIn("hit", names, report)
            self.assertNotIn(None, names, "a sound that is neither sample: " + report)

    def test_no_samples_with_sound_off(self):
        with harness.Game(name="effects-off") as game:
            game.start_match(players=1, music=False)
            game.press_until("space", lambda img: harness.find_ball(img) != (320, 240), 20,
                             "the served ball to leave the centre")
            # Wait for the ball to turn back from the top or bottom edge: a bounce.
            seen = []

            def bounced():
                ball = harness.find_ball(game.screenshot())
                if ball is None or ball == (320, 240):
                    seen.clear()         # a point, or not served yet: start again
                    if ball:
                        game.tap("space")
                    return False
                seen.append(ball[1])
                return any((b - a) * (c - b) < 0 for a, b, c in zip(seen, seen[1:], seen[2:]))
            harness.wait_until(bounced, 30, 0.05, "the ball to bounce off an edge")
            time.sleep(0.5)
            start = game.sound_mark()
            # Everything played since the match began, and a little more.
            _, peak, _ = game.sound_stats(0, game.wait_sound(start, 0.5))
            self.assertLessEqual(peak, 16)


if __name__ == "__main__":
    harness.main()
