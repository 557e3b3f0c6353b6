"""Start-up with a missing or faulty data file: the game shows "Error loading
'tabrivet.dat'" through xmessage and exits with code 1. Data files that differ from a good
one in a single way, built with the library's dat tool from the asset files, show which
faults are caught; the same construction with nothing wrong starts the game."""

import os
import shutil
import tempfile
import unittest

import harness

LOAD_ERROR = b"Error loading 'tabrivet.dat'\n"


class DataFileChecks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="tabrivet-e2e-dat-")
        cls.xserver = harness.XServer().start()

    @classmethod
    def tearDownClass(cls):
        cls.xserver.stop()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def build(self, name, files):
        return harness.make_datafile(os.path.join(self.tmp, name + ".dat"), files)

    def pause_bmp(self, w, h):
        path = os.path.join(self.tmp, "pause_%dx%d" % (w, h), "pause.bmp")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        harness.write_bmp(path, w, h)
        return path

    def with_pause(self, pause_path):
        files = list(harness.ASSET_ORDER)
        files[1] = pause_path
        return files

    def assert_refused(self, data):
        with harness.Game(data=data, display=self.xserver.display,
                          name="refused-" + self._testMethodName) as game:
            # A game that wrongly accepts the file shows its title screen instead.
            outcome = harness.wait_until(
                lambda: "exit" if not game.running() else
                ("title" if game.title_shown() else None),
                30, 0.2, "the game to exit or show its title")
            self.assertEqual(outcome, "exit", "the game started with a faulty data file")
            self.assertEqual(game.wait_exit(10), 1)
            self.assertEqual(game.message(), LOAD_ERROR)

    def assert_accepted(self, data):
        with harness.Game(data=data, display=self.xserver.display,
                          name="accepted-" + self._testMethodName) as game:
            game.wait_title(30)
            self.assertEqual(game.quit(), 0)
            self.assertIsNone(game.message())

    def test_missing_file(self):
        self.assert_refused(None)

    def test_file_that_is_not_a_data_file(self):
        path = os.path.join(self.tmp, "garbage.dat")
        with open(path, "wb") as f:
            f.write(b"this is not a datafile\n" * 40)
        self.assert_refused(path)

    def test_empty_file(self):
        path = os.path.join(self.tmp, "empty.dat")
        open(path, "wb").close()
        self.assert_refused(path)

    def test_good_file_made_the_same_way_is_accepted(self):
        # Shows that the refusals below come from the one fault each file has.
        self.assert_accepted(self.build("good", harness.ASSET_ORDER))

    def test_one_object_missing(self):
        self.assert_refused(self.build("eight", harness.ASSET_ORDER[:-1]))

    def test_one_object_too_many(self):
        extra = os.path.join(self.tmp, "extra", "extra.bmp")
        os.makedirs(os.path.dirname(extra), exist_ok=True)
        shutil.copy(os.path.join(harness.config().assets, "ball.bmp"), extra)
        self.assert_refused(self.build("ten", harness.ASSET_ORDER + [extra]))

    def test_sample_where_the_music_belongs(self):
        files = list(harness.ASSET_ORDER)
        files[8] = os.path.join(self.tmp, "copy", "bounce2.wav")
        os.makedirs(os.path.dirname(files[8]), exist_ok=True)
        shutil.copy(os.path.join(harness.config().assets, "bounce.wav"), files[8])
        self.assert_refused(self.build("no_midi", files))

    def test_right_types_in_the_wrong_order(self):
        # Nine objects of the nine expected types, a bitmap and a sample swapped.
        files = list(harness.ASSET_ORDER)
        files[5], files[6] = files[6], files[5]
        self.assert_refused(self.build("swapped", files))

    def test_pause_picture_far_too_small(self):
        self.assert_refused(self.build("pause_small", self.with_pause(self.pause_bmp(200, 100))))

    def test_pause_picture_one_column_short(self):
        self.assert_refused(self.build("pause_282", self.with_pause(self.pause_bmp(282, 117))))

    def test_pause_picture_one_row_short(self):
        self.assert_refused(self.build("pause_116", self.with_pause(self.pause_bmp(283, 116))))

    def test_pause_picture_of_the_least_size_is_accepted(self):
        self.assert_accepted(self.build("pause_min", self.with_pause(self.pause_bmp(283, 117))))


if __name__ == "__main__":
    harness.main()
