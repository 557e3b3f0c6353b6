// The match clock with its real threads: the library's timer thread advancing tick_count
// through the game's tick_handler while the main thread steps the match, and the pause
// box putting the clock back. Built for ThreadSanitizer as well as for the plain build.
#include "test_support.h"

#include <atomic>

#include "frontend/frontend.h"
#include "match/match.h"

#define WAIT_LIMIT_MS 20000  // the longest any wait below may take before it fails

// Milliseconds of real time, counted by a second timer of the library, beside the clock.
static std::atomic<int> wall_ms{0};
static std::atomic<int> esc_at{-1};  // wall_ms at which the Esc press is due, -1: none

static void count_wall(void)
{
    wall_ms++;
}

// Presses Esc for the pause box from the timer thread once it is due, as the keyboard
// driver would, until the box has seen it (it forgets keys at each pass).
static void press_esc_when_due(void)
{
    const int due = esc_at;
    if (due >= 0 && wall_ms >= due)
        key[KEY_ESC] = 1;
}

class ClockTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        reset_paddle(&paddles[0], 1.0);
        reset_paddle(&paddles[1], 1.0);
        player_mode = 1;
        wall_ms = 0;
        esc_at = -1;
        install_int_ex(count_wall, MSEC_TO_TIMER(1));
        install_int_ex(tick_handler, MSEC_TO_TIMER(1));
    }

    void TearDown() override
    {
        remove_int(tick_handler);
        remove_int(press_esc_when_due);
        remove_int(count_wall);
        GameTest::TearDown();
    }

    // Steps the match until the clock reads at least ms, or fails after WAIT_LIMIT_MS.
    void step_until(int ms)
    {
        const int start = wall_ms;
        while (tick_count < ms) {
            ASSERT_LT(wall_ms - start, WAIT_LIMIT_MS) << "the clock stopped at " << tick_count;
            match_step(&ball, paddles);
            rest(1);
        }
        match_step(&ball, paddles);
    }

    Ball ball;
    Paddle paddles[2];
};

TEST_F(ClockTest, BallCoversExactlyTheMillisecondsTheTimerCounted)
{
    // Heading right and down from the centre: nothing is in its way for 200 ms.
    ball = {320.0, 240.0, 0.25, 0.25};
    tick_count = 0;
    last_tick = 0;
    ball_in_play = 1;
    step_until(200);
    EXPECT_GE(last_tick, 200);
    EXPECT_LT(last_tick, 300);
    // Every step moved the ball by the milliseconds since the previous one, so the
    // whole path is the clock's reading at the last step, neither more nor less.
    EXPECT_EQ(ball.x, 320.0 + 0.25 * last_tick);
    EXPECT_EQ(ball.y, 240.0 + 0.25 * last_tick);
}

TEST_F(ClockTest, PauseBoxPutsTheClockBackToWhereItOpened)
{
    ball = {320.0, 240.0, 0.25, 0.25};
    tick_count = 0;
    last_tick = 0;
    ball_in_play = 1;
    step_until(50);

    // The box stays open at least 300 ms of real time while the clock keeps counting.
    const int wall_before = wall_ms;
    const int clock_before = tick_count;
    esc_at = wall_before + 300;
    install_int_ex(press_esc_when_due, MSEC_TO_TIMER(1));
    const int leave = pause_dialog();
    remove_int(press_esc_when_due);
    const int clock_after = tick_count;
    const int wall_after = wall_ms;

    EXPECT_EQ(leave, 0);  // Esc resumes
    EXPECT_GE(wall_after - wall_before, 300);
    // The clock lost the pause: it moved on by less than a tenth of the time the box was
    // open (only the ticks between the box closing and this read).
    EXPECT_LT((clock_after - clock_before) * 10, wall_after - wall_before)
        << "clock " << clock_before << " -> " << clock_after << ", real time "
        << wall_before << " -> " << wall_after;

    // The next step moves the ball by the clock, not by the time the box was open.
    const double x_before = ball.x;
    clear_keys();
    match_step(&ball, paddles);
    EXPECT_LT(ball.x - x_before, 0.25 * (wall_after - wall_before) / 10);
}
