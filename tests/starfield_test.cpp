// The starfield: where stars are projected, when they respawn, how bright they are,
// and that a long run never divides by a depth outside -100..-10.
#include "test_support.h"

#include <cstdlib>

#include "effects/effects.h"

class StarfieldTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        // All stars but the first out of the way, far behind and off the line being read.
        for (Star &s : stars) {
            s.x = 150;
            s.y = 110;
            s.z = -80;
        }
    }

    int grey(int level) { return makecol(level, level, level); }

    Star stars[STAR_COUNT];
};

TEST_F(StarfieldTest, ProjectionTruncatesTowardZeroAndMirrorsTheOffset)
{
    stars[0] = {1, 0, -101, 0, 0};  // drawn at depth -100
    stars[1] = {50, -20, -31, 0, 0};  // drawn at depth -30
    draw_stars(stars);
    EXPECT_EQ(stars[0].sx, 319);
    EXPECT_EQ(stars[0].sy, 240);
    EXPECT_EQ(getpixel(back_buffer, 319, 240), grey(92));
    EXPECT_EQ(stars[1].sx, 154);  // 5000 / -30 is -166
    EXPECT_EQ(stars[1].sy, 306);  // -2000 / -30 is 66
    EXPECT_EQ(getpixel(back_buffer, 154, 306), grey(162));
}

TEST_F(StarfieldTest, StarRespawnsFarAwayOnceNearerThanMinusTen)
{
    stars[0] = {10, 10, -11, 0, 0};
    draw_stars(stars);
    EXPECT_EQ(stars[0].z, -10);
    EXPECT_EQ(stars[0].sx, 320 - 100);
    EXPECT_EQ(getpixel(back_buffer, 220, 140), grey(182));
    draw_stars(stars);
    EXPECT_EQ(stars[0].z, -100);
    EXPECT_EQ(stars[0].sx, 320 - stars[0].x);
    EXPECT_EQ(stars[0].sy, 240 - stars[0].y);

    stars[1] = {10, 10, -10, 0, 0};
    draw_stars(stars);
    EXPECT_EQ(stars[1].z, -100);
}

TEST_F(StarfieldTest, FieldStaysInRangeAndRespawnsAfterNinetyOneFrames)
{
    srand(1234);
    init_stars(stars);
    for (const Star &s : stars) {
        EXPECT_GE(s.x, -160);
        EXPECT_LE(s.x, 159);
        EXPECT_GE(s.y, -120);
        EXPECT_LE(s.y, 119);
        EXPECT_GE(s.z, -100);
        EXPECT_LE(s.z, 9);
    }
    // Each star is placed with three draws, x then y then z.
    srand(1234);
    int x = rand() % 320 - 160, y = rand() % 240 - 120, z = rand() % 110 - 100;
    EXPECT_EQ(stars[0].x, x);
    EXPECT_EQ(stars[0].y, y);
    EXPECT_EQ(stars[0].z, z);

    stars[5].z = -101;
    for (int call = 1; call <= 1000; call++) {
        int before = stars[5].z;
        draw_stars(stars);
        // Drawn at -100 .. -10 in calls 1 to 91, respawned in call 92 (drawn at -100 again),
        // and from then on every 91 calls.
        EXPECT_EQ(stars[5].z < before, call > 1 && (call - 1) % 91 == 0) << "call " << call;
        for (const Star &s : stars) {
            ASSERT_GE(s.z, -100);
            ASSERT_LE(s.z, -10);
        }
    }
}
