// The unit tests' shared fixture: known sprites, a clean key array and clock, and the
// helpers that compare regions of frames with text drawn by the library.
#include "test_support.h"

static BITMAP *solid_bitmap(int w, int h, int colour)
{
    BITMAP *b = create_bitmap(w, h);
    clear_to_color(b, colour);
    return b;
}

void GameTest::SetUp()
{
    ball_colour = makecol(255, 255, 0);
    left_colour = makecol(0, 255, 0);
    right_colour = makecol(0, 0, 255);
    ball_bmp = solid_bitmap(TEST_BALL_SIZE, TEST_BALL_SIZE, ball_colour);
    paddle_left_bmp = solid_bitmap(TEST_PADDLE_W, TEST_PADDLE_H, left_colour);
    paddle_right_bmp = solid_bitmap(TEST_PADDLE_W, TEST_PADDLE_H, right_colour);
    pause_bmp = solid_bitmap(284, 118, makecol(40, 40, 40));
    cursor_bmp = solid_bitmap(8, 8, makecol(255, 255, 255));
    logo_bmp = solid_bitmap(640, 200, bitmap_mask_color(screen));
    back_buffer = create_bitmap(SCREEN_W, SCREEN_H);
    clear_bitmap(back_buffer);

    player_mode = 0;
    difficulty = 0;
    sound_on = 0;
    ball_in_play = 0;
    tick_count = 0;
    last_tick = 0;
    fps_mark = 0;
    frame_count = 0;
    quit_signal = 0;
    close_requested = 0;
    clear_keys();
}

void GameTest::TearDown()
{
    quit_signal = 0;
    close_requested = 0;
    clear_keys();
    BITMAP **made[] = {&ball_bmp, &paddle_left_bmp, &paddle_right_bmp, &pause_bmp,
                       &cursor_bmp, &logo_bmp, &back_buffer};
    for (BITMAP **b : made) {
        destroy_bitmap(*b);
        *b = NULL;
    }
}

bool same_region(BITMAP *a, BITMAP *b, int x, int y, int w, int h)
{
    // Held once for the whole walk: a screen in video memory (DirectDraw) is otherwise
    // locked and unlocked again for every pixel read.
    acquire_bitmap(a);
    acquire_bitmap(b);
    bool same = true;
    for (int j = y; same && j < y + h; j++)
        for (int i = x; same && i < x + w; i++)
            same = getpixel(a, i, j) == getpixel(b, i, j);
    release_bitmap(b);
    release_bitmap(a);
    return same;
}

BITMAP *reference_text(int x, int y, int colour, const std::string &text)
{
    BITMAP *ref = create_bitmap(SCREEN_W, SCREEN_H);
    clear_bitmap(ref);
    textout_ex(ref, font, text.c_str(), x, y, colour, 0);
    return ref;
}
