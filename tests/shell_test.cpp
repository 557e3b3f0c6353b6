// The shared routines: the serve from the centre, a new match's set-up for each mode and
// level, key clearing, and the data file check that refuses a file of the wrong shape.
#include "test_support.h"

#include <cmath>
#include <set>
#include <utility>

#include "match/match.h"

using ShellTest = GameTest;

TEST_F(ShellTest, ServeFromTheCentreGoesEachDiagonalAtAQuarterPixelPerMillisecond)
{
    std::set<std::pair<double, double>> directions;
    for (int i = 0; i < 200; i++) {
        Ball b = {0, 0, 0, 0};
        reset_ball(&b);
        EXPECT_EQ(b.x, 320.0);
        EXPECT_EQ(b.y, 240.0);
        EXPECT_EQ(std::fabs(b.vx), 0.25);
        EXPECT_EQ(std::fabs(b.vy), 0.25);
        directions.insert({b.vx, b.vy});
    }
    EXPECT_EQ(directions.size(), 4u);
}

TEST_F(ShellTest, NewMatchGivesTheComputerTheSpeedOfItsLevel)
{
    const double computer[] = {0.5, 1.0, 1.5, 2.0};
    Star stars[STAR_COUNT];
    Ball ball;
    Paddle paddles[2];
    for (int mode = 0; mode < 2; mode++) {
        for (int level = 0; level < 4; level++) {
            player_mode = mode;
            difficulty = level;
            paddles[0].score = paddles[1].score = 9;
            setup_match(stars, &ball, paddles);
            EXPECT_EQ(paddles[0].max_speed, 1.0);
            EXPECT_EQ(paddles[1].max_speed, mode == 0 ? computer[level] : 1.0)
                << "mode " << mode << " level " << level;
            for (const Paddle &p : paddles) {
                EXPECT_EQ(p.x, 2.0);
                EXPECT_EQ(p.y, 160.0);
                EXPECT_EQ(p.speed, 0.0);
                EXPECT_EQ(p.prev_speed, 0.0);
                EXPECT_EQ(p.score, 0);
            }
            EXPECT_EQ(ball.x, 320.0);
            EXPECT_EQ(ball.y, 240.0);
        }
    }
}

TEST_F(ShellTest, ClearKeysForgetsEveryStateAndTypedKey)
{
    for (int k = 0; k < KEY_MAX; k++)
        key[k] = 1;
    simulate_keypress(KEY_ESC << 8 | 27);
    clear_keys();
    int down = 0;
    for (int k = 0; k < KEY_MAX; k++)
        down += key[k] != 0;
    EXPECT_EQ(down, 0);
    EXPECT_FALSE(keypressed());
}

// A data file's object table built in memory, for the shape check.
class CatalogueTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        sample = create_sample(8, 0, 11025, 10);
        midi = static_cast<MIDI *>(calloc(1, sizeof(MIDI)));
        void *objects[] = {ball_bmp, pause_bmp, logo_bmp, cursor_bmp, paddle_left_bmp,
                           paddle_right_bmp, sample, sample, midi};
        const int types[] = {DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP,
                             DAT_BITMAP, DAT_SAMPLE, DAT_SAMPLE, DAT_MIDI};
        for (int i = 0; i < 9; i++) {
            table[i] = DATAFILE{objects[i], types[i], 0, nullptr};
        }
        table[9] = DATAFILE{nullptr, DAT_END, 0, nullptr};
        table[10] = DATAFILE{nullptr, DAT_END, 0, nullptr};
    }
    void TearDown() override
    {
        destroy_sample(sample);
        free(midi);
        GameTest::TearDown();
    }

    DATAFILE table[11];
    SAMPLE *sample = nullptr;
    MIDI *midi = nullptr;
};

TEST_F(CatalogueTest, AcceptsNineObjectsOfTheRightTypes)
{
    EXPECT_EQ(check_assets(table), 1);
}

TEST_F(CatalogueTest, RefusesWrongTypesAndCounts)
{
    table[3].type = DAT_SAMPLE;
    EXPECT_EQ(check_assets(table), 0);
    TearDown();
    SetUp();
    table[8].type = DAT_SAMPLE;
    EXPECT_EQ(check_assets(table), 0);
    TearDown();
    SetUp();
    table[8] = DATAFILE{nullptr, DAT_END, 0, nullptr};  // eight objects
    EXPECT_EQ(check_assets(table), 0);
    TearDown();
    SetUp();
    table[9] = DATAFILE{midi, DAT_MIDI, 0, nullptr};  // ten objects
    EXPECT_EQ(check_assets(table), 0);
}

TEST_F(CatalogueTest, PausePictureMustReachEveryButtonPixel)
{
    BITMAP *sizes[] = {create_bitmap(283, 117), create_bitmap(282, 118), create_bitmap(284, 116)};
    const int accepted[] = {1, 0, 0};
    for (int i = 0; i < 3; i++) {
        table[1].dat = sizes[i];
        EXPECT_EQ(check_assets(table), accepted[i]) << sizes[i]->w << "x" << sizes[i]->h;
        destroy_bitmap(sizes[i]);
    }
}
