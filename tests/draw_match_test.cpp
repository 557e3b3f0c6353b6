// A match frame read back from back_buffer: where the sprites land after truncation,
// the HUD's texts compared with the same texts drawn by the library, and the frame rate.
#include "test_support.h"

#include "effects/effects.h"
#include "match/match.h"

class DrawMatchTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        reset_paddle(&paddles[0], 1.0);
        reset_paddle(&paddles[1], 1.0);
        // Stars far away from everything this test reads: none is plotted on the HUD or sprites.
        for (Star &s : stars) {
            s.x = 0;
            s.y = 0;
            s.z = -60;
        }
    }

    // 1 when the HUD text at (x, y) is exactly what the library draws for text.
    bool hud_shows(int x, int y, const std::string &text)
    {
        BITMAP *ref = reference_text(x, y, makecol(255, 64, 64), text);
        bool same = same_region(back_buffer, ref, x, y, text_length(font, text.c_str()),
                                text_height(font));
        destroy_bitmap(ref);
        return same;
    }

    Star stars[STAR_COUNT];
    Ball ball = {320.0, 240.0, 0.25, 0.25};
    Paddle paddles[2];
};

TEST_F(DrawMatchTest, SpritesLandOnTheirTruncatedPixels)
{
    ball = {7.3, 100.9, 0.25, 0.25};  // left edge at -0.7 draws at 0, top at 92.9 at 92
    paddles[0].y = 312.9;
    paddles[1].x = 2.0;
    paddles[1].y = -0.5;
    draw_match(stars, ball, paddles);

    EXPECT_EQ(getpixel(back_buffer, 0, 92), ball_colour);
    EXPECT_EQ(getpixel(back_buffer, 15, 107), ball_colour);
    EXPECT_NE(getpixel(back_buffer, 16, 100), ball_colour);
    EXPECT_NE(getpixel(back_buffer, 8, 91), ball_colour);

    EXPECT_EQ(getpixel(back_buffer, 2, 312), left_colour);
    EXPECT_NE(getpixel(back_buffer, 2, 311), left_colour);
    EXPECT_EQ(getpixel(back_buffer, 13, 391), left_colour);
    EXPECT_NE(getpixel(back_buffer, 14, 391), left_colour);

    // The right paddle's x is its inset from the right edge: columns 626 to 637.
    EXPECT_EQ(getpixel(back_buffer, 626, 0), right_colour);
    EXPECT_EQ(getpixel(back_buffer, 637, 79), right_colour);
    EXPECT_NE(getpixel(back_buffer, 625, 40), right_colour);
    EXPECT_NE(getpixel(back_buffer, 638, 40), right_colour);

    // The frame went to the screen whole.
    EXPECT_TRUE(same_region(screen, back_buffer, 0, 0, 640, 480));
}

TEST_F(DrawMatchTest, AballUnderAPaddleIsCoveredByIt)
{
    ball = {10.0, 200.0, 0.25, 0.25};
    draw_match(stars, ball, paddles);
    EXPECT_EQ(getpixel(back_buffer, 5, 200), left_colour);
    EXPECT_EQ(getpixel(back_buffer, 15, 200), ball_colour);
}

TEST_F(DrawMatchTest, HudNamesTheComputerOrTheSecondPlayer)
{
    paddles[0].score = 7;
    paddles[1].score = 12345;
    draw_match(stars, ball, paddles);
    EXPECT_TRUE(hud_shows(5, 5, "Joueur 1 : 7"));
    EXPECT_TRUE(hud_shows(5, 16, "Ordinateur : 12345"));

    player_mode = 1;
    draw_match(stars, ball, paddles);
    EXPECT_TRUE(hud_shows(5, 16, "Joueur 2 : 12345"));
    EXPECT_FALSE(hud_shows(5, 16, "Ordinateur : 12345"));
}

TEST_F(DrawMatchTest, FrameRateIsFramesPerSecondOfTheWindow)
{
    frame_count = 1;
    tick_count = 0;
    fps_mark = 0;
    draw_match(stars, ball, paddles);
    EXPECT_TRUE(hud_shows(200, 5, "FPS : 0"));

    fps_mark = 3001;
    tick_count = 3017;
    draw_match(stars, ball, paddles);
    EXPECT_TRUE(hud_shows(200, 5, "FPS : 62"));

    frame_count = 210;
    tick_count = fps_mark + 3000;
    draw_match(stars, ball, paddles);
    EXPECT_TRUE(hud_shows(200, 5, "FPS : 70"));
}
