// Shared fixture of the unit tests: small sprites of known sizes in place of the data
// file's, a clean key array and match clock, and pixel helpers for reading back frames.
#ifndef TABRIVET_TEST_SUPPORT_H
#define TABRIVET_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>

#include "shell/game.h"

#define TEST_BALL_SIZE 16
#define TEST_PADDLE_W 12
#define TEST_PADDLE_H 80

// Puts solid sprites of known sizes and colours into the asset globals, and a back
// buffer, and resets the settings, the key array and the clocks before every test.
class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    int ball_colour = 0;
    int left_colour = 0;
    int right_colour = 0;
};

// 1 when the rectangle of src at (x, y) of size w x h holds the same pixels in a and b.
bool same_region(BITMAP *a, BITMAP *b, int x, int y, int w, int h);

// Draws text the way the game does (library font, opaque background) into a cleared
// bitmap of the screen's size, for comparison with a frame.
BITMAP *reference_text(int x, int y, int colour, const std::string &text);

#endif
