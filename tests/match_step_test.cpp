// The match step driven directly through the library's real key array and the match
// clock: speed rules, coasting, clamping, the computer's rule, hits, bounces, points,
// the serve, the key clearing, the screenshot and the pause box.
#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "effects/effects.h"
#include "match/match.h"

class MatchStepTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        reset_paddle(&paddles[0], 1.0);
        reset_paddle(&paddles[1], 1.0);
        player_mode = 1;  // no computer unless a test asks for it
        ball = {320.0, 240.0, 0.25, 0.25};
        ball_in_play = 1;
    }

    // Runs one step with the clock advanced by dt milliseconds.
    int step(int dt = 0)
    {
        tick_count = last_tick + dt;
        return match_step(&ball, paddles);
    }

    // Speeds of the left paddle over n steps with the down key held throughout.
    std::vector<double> held_down(double max_speed, int n)
    {
        paddles[0].max_speed = max_speed;
        std::vector<double> seen;
        key[KEY_Z] = 1;
        for (int i = 0; i < n; i++) {
            step();
            seen.push_back(paddles[0].speed);
        }
        return seen;
    }

    Ball ball;
    Paddle paddles[2];
};

TEST_F(MatchStepTest, HeldKeyBuildsSpeedPastTheLimitByOneStepAtMost)
{
    EXPECT_EQ(held_down(0.5, 5).back(), 0.5);
    TearDown();
    SetUp();
    std::vector<double> one = held_down(1.0, 11);
    EXPECT_EQ(one[0], 0.1);
    EXPECT_EQ(one[2], 0.30000000000000004);
    EXPECT_EQ(one[9], 0.9999999999999999);
    EXPECT_EQ(one[10], 1.0999999999999999);
    TearDown();
    SetUp();
    EXPECT_EQ(held_down(1.5, 15).back(), 1.5000000000000002);
    TearDown();
    SetUp();
    EXPECT_EQ(held_down(2.0, 20).back(), 2.0000000000000004);
}

TEST_F(MatchStepTest, HeldKeyAtTopSpeedAlternatesWithOneStepLess)
{
    const double limits[] = {0.5, 1.0, 1.5, 2.0};
    const int to_top[] = {5, 11, 15, 20};
    const double top[] = {0.5, 1.0999999999999999, 1.5000000000000002, 2.0000000000000004};
    const double below[] = {0.4, 0.9999999999999999, 1.4000000000000001, 1.9000000000000004};
    for (int i = 0; i < 4; i++) {
        TearDown();
        SetUp();
        std::vector<double> seen = held_down(limits[i], to_top[i] + 4);
        EXPECT_EQ(seen[to_top[i] - 1], top[i]) << "limit " << limits[i];
        EXPECT_EQ(seen[to_top[i]], below[i]) << "limit " << limits[i];
        EXPECT_EQ(seen[to_top[i] + 1], top[i]) << "limit " << limits[i];
        EXPECT_EQ(seen[to_top[i] + 2], below[i]) << "limit " << limits[i];
    }
}

TEST_F(MatchStepTest, UntouchedSpeedCoastsOneStepTowardsRest)
{
    paddles[0].speed = paddles[0].prev_speed = 0.5;
    const double expected[] = {0.4, 0.30000000000000004, 0.20000000000000004, 0.10000000000000003, 0};
    for (double e : expected) {
        step();
        EXPECT_EQ(paddles[0].speed, e);
    }
    const double from[] = {0.15, 0.25, -0.15, 0.0, -0.5};
    const double to[] = {0.0, 0.15, 0.0, 0.0, -0.4};
    for (int i = 0; i < 5; i++) {
        paddles[0].speed = paddles[0].prev_speed = from[i];
        step();
        EXPECT_EQ(paddles[0].speed, to[i]) << "from " << from[i];
    }
    // A speed the previous step changed does not coast.
    paddles[0].speed = 0.5;
    paddles[0].prev_speed = 0.4;
    step();
    EXPECT_EQ(paddles[0].speed, 0.5);
}

TEST_F(MatchStepTest, BothKeysOfAPaddlePushUpThenDown)
{
    key[KEY_A] = 1;
    key[KEY_Z] = 1;
    paddles[0].speed = paddles[0].prev_speed = 0.5;
    step();
    EXPECT_EQ(paddles[0].speed, 0.4);  // both pushes gave back 0.5, which then coasted
    paddles[0].speed = paddles[0].prev_speed = -0.2;
    step();
    EXPECT_EQ(paddles[0].speed, -0.20000000000000004);  // not the old value: no coasting
    key[KEY_UP] = 1;
    key[KEY_DOWN] = 1;
    paddles[1].speed = paddles[1].prev_speed = -0.2;
    step();
    EXPECT_EQ(paddles[1].speed, -0.20000000000000004);
}

TEST_F(MatchStepTest, PaddlesStopAtTheTopAndOneRowShortOfTheBottom)
{
    paddles[0].y = 5;
    paddles[0].speed = paddles[0].prev_speed = -1.0;
    key[KEY_A] = 1;
    step(10);
    EXPECT_EQ(paddles[0].y, 0.0);
    EXPECT_EQ(paddles[0].speed, 0.0);
    // The next step does not coast (speed and prev_speed differ after the clamp): the push holds.
    key[KEY_A] = 0;
    step(0);
    EXPECT_EQ(paddles[0].speed, 0.0);
    EXPECT_EQ(paddles[0].prev_speed, 0.0);

    paddles[1].y = 390;
    paddles[1].speed = paddles[1].prev_speed = 1.0;
    key[KEY_DOWN] = 1;
    step(20);
    EXPECT_EQ(paddles[1].y, 480.0 - TEST_PADDLE_H - 1);  // 399: the last row is 478
    EXPECT_EQ(paddles[1].speed, 0.0);
    step(0);
    EXPECT_EQ(paddles[1].speed, 0.1);  // a push after the clamp, not taken back by coasting
}

TEST_F(MatchStepTest, ComputerChasesTheBallOnlyOutsideThePaddleSpan)
{
    player_mode = 0;
    paddles[1].max_speed = 0.5;
    ball.vx = -0.25;  // away from the right paddle
    const double ys[] = {160.0, 160.0 + TEST_PADDLE_H, 159.5, 240.5};
    const double speeds[] = {0.0, 0.0, -0.1, 0.1};
    for (int i = 0; i < 4; i++) {
        paddles[1].y = 160.0;
        paddles[1].speed = 0;
        paddles[1].prev_speed = 1;  // keep the push from coasting away
        ball.y = ys[i];
        step(0);
        EXPECT_EQ(paddles[1].speed, speeds[i]) << "ball at " << ys[i];
    }
    // With two players the Up and Down keys drive it instead, and the ball is ignored.
    player_mode = 2;
    paddles[1].speed = 0;
    paddles[1].prev_speed = 1;
    ball.y = 0;
    key[KEY_DOWN] = 1;
    step(0);
    EXPECT_EQ(paddles[1].speed, 0.1);
}

TEST_F(MatchStepTest, LeftPaddleReturnsOnlyABallComingTowardsIt)
{
    const double inner_edge = 2.0 + TEST_PADDLE_W;  // 14
    struct Case { double x, y, vx; bool hit; } cases[] = {
        {inner_edge + 8, 200, -0.25, true},        // left edge exactly on the paddle's inner edge
        {inner_edge + 8.001, 200, -0.25, false},   // just short of it
        {3.0, 200, -0.25, true},                   // behind the paddle, still heading out
        {inner_edge + 8, 200, 0.25, false},        // already returned: not turned back again
        {inner_edge, 160 - 8, -0.25, false},       // bottom exactly at the paddle's top
        {inner_edge, 160 - 7.5, -0.25, true},
        {inner_edge, 240 + 8, -0.25, false},       // top exactly at the paddle's bottom
        {inner_edge, 240 + 7.5, -0.25, true},
    };
    for (const auto &c : cases) {
        ball = {c.x, c.y, c.vx, 0.25};
        step(0);
        EXPECT_EQ(ball.vx, c.hit ? -c.vx : c.vx) << "ball at " << c.x << ", " << c.y;
    }
}

TEST_F(MatchStepTest, RightPaddleReturnsOnlyABallComingTowardsIt)
{
    const double inner_edge = 640.0 - TEST_PADDLE_W - 2.0;  // 626
    struct Case { double x, y, vx; bool hit; } cases[] = {
        {inner_edge - 8, 200, 0.25, true},
        {inner_edge - 8.001, 200, 0.25, false},
        {637.0, 200, 0.25, true},
        {inner_edge - 8, 200, -0.25, false},
        {inner_edge, 160 - 8, 0.25, false},
        {inner_edge, 240 + 7.5, 0.25, true},
    };
    for (const auto &c : cases) {
        ball = {c.x, c.y, c.vx, 0.25};
        step(0);
        EXPECT_EQ(ball.vx, c.hit ? -c.vx : c.vx) << "ball at " << c.x << ", " << c.y;
    }
}

TEST_F(MatchStepTest, EdgesTurnBackOnlyABallHeadingOutThroughThem)
{
    struct Case { double y, vy; bool bounce; } cases[] = {
        {8.0, -0.25, false},    // top exactly at row 0
        {7.5, -0.25, true},
        {7.5, 0.25, false},     // already coming back: no second bounce off screen
        {471.0, 0.25, true},    // bottom exactly at row 479
        {470.5, 0.25, false},
        {471.0, -0.25, false},
    };
    for (const auto &c : cases) {
        ball = {320, c.y, 0.25, c.vy};
        step(0);
        EXPECT_EQ(ball.vy, c.bounce ? -c.vy : c.vy) << "ball at y " << c.y;
    }
}

TEST_F(MatchStepTest, PointScoredOnlyWhenTheWholeBallHasLeft)
{
    ball = {-8.0, 400, -0.25, 0.25};  // right edge exactly at column 0
    step(0);
    EXPECT_EQ(paddles[1].score, 0);
    EXPECT_EQ(ball_in_play, 1);

    ball = {-8.5, 400, -0.25, 0.25};
    step(0);
    EXPECT_EQ(paddles[1].score, 1);
    EXPECT_EQ(paddles[0].score, 0);
    EXPECT_EQ(ball_in_play, 0);
    EXPECT_EQ(ball.x, 320.0);
    EXPECT_EQ(ball.y, 240.0);
    EXPECT_EQ(std::abs(ball.vx), 0.25);
    EXPECT_EQ(std::abs(ball.vy), 0.25);

    ball_in_play = 1;
    ball = {647.0, 400, 0.25, 0.25};  // left edge exactly at column 639
    step(0);
    EXPECT_EQ(paddles[0].score, 0);
    ball = {647.5, 400, 0.25, 0.25};
    step(0);
    EXPECT_EQ(paddles[0].score, 1);
    EXPECT_EQ(ball_in_play, 0);
}

TEST_F(MatchStepTest, NothingMovesWhileTheBallWaitsAndTheServeStartsTheClock)
{
    ball_in_play = 0;
    paddles[0].speed = paddles[0].prev_speed = 0.5;
    key[KEY_A] = 1;
    step(400);
    EXPECT_EQ(ball.x, 320.0);
    EXPECT_EQ(paddles[0].y, 160.0);
    EXPECT_EQ(paddles[0].speed, 0.5);
    EXPECT_EQ(last_tick, 0);
    key[KEY_A] = 0;

    key[KEY_SPACE] = 1;
    tick_count = 500;
    match_step(&ball, paddles);
    EXPECT_EQ(ball_in_play, 1);
    EXPECT_EQ(last_tick, 500);
    EXPECT_EQ(ball.x, 320.0);  // the ball starts moving in the next step
    step(10);
    EXPECT_EQ(ball.x, 322.5);
    EXPECT_EQ(ball.y, 242.5);
    EXPECT_EQ(paddles[0].y, 160.0 + 0.4 * 10);  // coasted from 0.5, then moved
}

TEST_F(MatchStepTest, OnlyThePaddleKeysOutliveAStep)
{
    const int kept[] = {KEY_A, KEY_Z, KEY_UP, KEY_DOWN};
    for (int k : kept)
        key[k] = 1;
    key[KEY_1] = key[KEY_B] = key[KEY_ENTER] = 1;
    simulate_keypress(KEY_B << 8 | 'b');
    step(0);
    for (int k : kept)
        EXPECT_TRUE(key[k]) << k;
    int others = 0;
    for (int k = 0; k < KEY_MAX; k++)
        if (key[k] && k != KEY_A && k != KEY_Z && k != KEY_UP && k != KEY_DOWN)
            others++;
    EXPECT_EQ(others, 0);
    EXPECT_FALSE(keypressed());
}

// Changes into a new empty folder for the test, and back again afterwards.
class InTempDir {
public:
    InTempDir()
    {
        namespace fs = std::filesystem;
        // The first name no other run holds now.
        for (int i = 0; dir.empty() || !fs::create_directory(dir); i++)
            dir = fs::temp_directory_path() / ("tabrivet-test-" + std::to_string(i));
        old = fs::current_path();
        fs::current_path(dir);
    }
    ~InTempDir()
    {
        std::filesystem::current_path(old);
        std::error_code failure;
        EXPECT_GT(std::filesystem::remove_all(dir, failure), 0u) << failure.message();
    }
    std::filesystem::path dir, old;
};

TEST_F(MatchStepTest, PrintScreenSavesTheFrameOnScreen)
{
    InTempDir tmp;
    Star stars[STAR_COUNT];
    init_stars(stars);
    draw_match(stars, ball, paddles);
    key[KEY_PRTSCR] = 1;
    EXPECT_EQ(step(0), 0);

    BITMAP *saved = load_bitmap("capture.pcx", nullptr);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->w, 640);
    EXPECT_EQ(saved->h, 480);
    EXPECT_TRUE(same_region(saved, back_buffer, 0, 0, 640, 480));
    destroy_bitmap(saved);
}

TEST_F(MatchStepTest, ScreenshotThatCannotBeWrittenLeavesTheMatchGoingOn)
{
    InTempDir tmp;
    // A folder where the file should go: nothing can write it, whoever runs the test.
    ASSERT_TRUE(std::filesystem::create_directory("capture.pcx"));
    key[KEY_PRTSCR] = 1;
    EXPECT_EQ(step(10), 0);
    EXPECT_TRUE(std::filesystem::is_directory("capture.pcx"));
    EXPECT_EQ(ball.x, 322.5);
    step(10);
    EXPECT_EQ(ball.x, 325.0);
}

// Presses Enter for the pause box from the library's timer thread, as the keyboard
// driver would, until the box has seen it.
static void press_enter(void)
{
    key[KEY_ENTER] = 1;
}

TEST_F(MatchStepTest, SpaceAndEscInOneStepServeThenPauseAndEnterLeaves)
{
    ball_in_play = 0;
    tick_count = 700;
    key[KEY_SPACE] = 1;
    key[KEY_ESC] = 1;
    install_int(press_enter, 1);
    int result = match_step(&ball, paddles);
    remove_int(press_enter);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ball_in_play, 1);
    EXPECT_EQ(last_tick, 700);
    EXPECT_EQ(tick_count, 700);
}
