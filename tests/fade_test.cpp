// The fade between screens: 32 blends towards black with alphas 0 to 248, shown on the
// screen, and no memory left behind however many times it runs.
#include "test_support.h"

#include <malloc.h>  // mallinfo2, where the C library is glibc

#include <vector>

#include <allegro/internal/aintern.h>

#include "effects/effects.h"

using FadeTest = GameTest;

// Every blend into back_buffer (with the blender's alpha at the time) and every copy to
// the screen, seen through the bitmaps' own drawing tables.
static std::vector<int> blend_alphas;
static int screen_copies;
static GFX_VTABLE *real_buffer_table, *real_screen_table;

static void counting_trans_sprite(BITMAP *bmp, BITMAP *sprite, int x, int y)
{
    blend_alphas.push_back(_blender_alpha);
    real_buffer_table->draw_trans_sprite(bmp, sprite, x, y);
}

static void counting_blit(BITMAP *src, BITMAP *dst, int sx, int sy, int dx, int dy, int w, int h)
{
    screen_copies++;
    real_screen_table->blit_from_memory(src, dst, sx, sy, dx, dy, w, h);
}

TEST_F(FadeTest, ThirtyTwoBlendsTowardsBlackReachTheScreen)
{
    for (int x = 0; x < SCREEN_W; x++)
        vline(back_buffer, x, 0, SCREEN_H - 1, makecol(255 - x % 256, x % 256, 255));

    GFX_VTABLE buffer_table = *back_buffer->vtable, screen_table = *screen->vtable;
    real_buffer_table = back_buffer->vtable;
    real_screen_table = screen->vtable;
    buffer_table.draw_trans_sprite = counting_trans_sprite;
    screen_table.blit_from_memory = counting_blit;
    back_buffer->vtable = &buffer_table;
    screen->vtable = &screen_table;
    blend_alphas.clear();
    screen_copies = 0;

    fade_out();

    back_buffer->vtable = real_buffer_table;
    screen->vtable = real_screen_table;
    std::vector<int> expected;
    for (int a = 0; a <= 248; a += 8)
        expected.push_back(a);
    EXPECT_EQ(blend_alphas, expected);
    EXPECT_EQ(screen_copies, 32);
    EXPECT_TRUE(same_region(screen, back_buffer, 0, 0, SCREEN_W, SCREEN_H));
    // The picture has gone to black.
    EXPECT_EQ(getpixel(back_buffer, 100, 100), 0);
    EXPECT_EQ(getpixel(back_buffer, 639, 479), 0);
}

TEST_F(FadeTest, ManyVisitsLeaveNoBitmapBehind)
{
#ifndef __GLIBC__
    GTEST_SKIP() << "counts the C library's heap with glibc's mallinfo2";
#else
    fade_out();  // the library's first use of the blender may allocate once
    size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 20; i++)
        fade_out();
    size_t after = mallinfo2().uordblks;
    // One forgotten overlay alone would be 640 x 480 x 2 bytes.
    EXPECT_LT(after, before + 4096);
#endif
}
