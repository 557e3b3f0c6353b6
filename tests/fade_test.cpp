// The fade between screens: 32 blends towards black with alphas 0 to 248, shown on the
// screen, and no memory left behind however many times it runs.
#include "test_support.h"

#include <malloc.h>

#include "effects/effects.h"

using FadeTest = GameTest;

// The picture that n blends towards black, with alphas 0, 8, 16, ..., make of src.
static BITMAP *blended(BITMAP *src, int n)
{
    BITMAP *out = create_bitmap(SCREEN_W, SCREEN_H);
    BITMAP *black = create_bitmap(SCREEN_W, SCREEN_H);
    blit(src, out, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
    clear_bitmap(black);
    for (int i = 0; i < n; i++) {
        set_trans_blender(0, 0, 0, 8 * i);
        draw_trans_sprite(out, black, 0, 0);
    }
    destroy_bitmap(black);
    return out;
}

TEST_F(FadeTest, ThirtyTwoBlendsTowardsBlackReachTheScreen)
{
    // Bands of bright colours, so each extra or missing blend changes some pixel.
    for (int x = 0; x < SCREEN_W; x++)
        vline(back_buffer, x, 0, SCREEN_H - 1, makecol(255 - x % 256, x % 256, 255));
    BITMAP *original = create_bitmap(SCREEN_W, SCREEN_H);
    blit(back_buffer, original, 0, 0, 0, 0, SCREEN_W, SCREEN_H);

    fade_out();

    BITMAP *b31 = blended(original, 31), *b32 = blended(original, 32), *b33 = blended(original, 33);
    EXPECT_TRUE(same_region(back_buffer, b32, 0, 0, SCREEN_W, SCREEN_H));
    EXPECT_FALSE(same_region(back_buffer, b31, 0, 0, SCREEN_W, SCREEN_H));
    EXPECT_FALSE(same_region(back_buffer, b33, 0, 0, SCREEN_W, SCREEN_H));
    EXPECT_TRUE(same_region(screen, back_buffer, 0, 0, SCREEN_W, SCREEN_H));
    // Something of the picture remains, darker: it fades towards black.
    EXPECT_NE(getpixel(back_buffer, 100, 100), 0);
    EXPECT_LT(getr(getpixel(back_buffer, 0, 0)), 128);
    destroy_bitmap(b31);
    destroy_bitmap(b32);
    destroy_bitmap(b33);
    destroy_bitmap(original);
}

TEST_F(FadeTest, ManyVisitsLeaveNoBitmapBehind)
{
    fade_out();  // the library's first use of the blender may allocate once
    size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 20; i++)
        fade_out();
    size_t after = mallinfo2().uordblks;
    // One forgotten overlay alone would be 640 x 480 x 2 bytes.
    EXPECT_LT(after, before + 4096);
}
