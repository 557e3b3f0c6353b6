// One match from set-up to exit: the ball, the paddles and the stars, the music, the
// millisecond clock, and the frame loop of drawing and stepping.
#include "match/match.h"
#include "effects/effects.h"

#define FPS_WINDOW_MS 3000
#define PLAYER_MAX_SPEED 1.0
#define COMPUTER_SPEED_PER_LEVEL 0.5

// The millisecond clock: called by the library's timer thread while a match runs.
void tick_handler(void)
{
    tick_count++;
}

// Fills a new match's stars, serves its ball from the centre and puts both paddles at
// their start; the computer's paddle gets the top speed of the chosen level.
void setup_match(Star *stars, Ball *ball, Paddle *paddles)
{
    init_stars(stars);
    reset_ball(ball);
    reset_paddle(&paddles[0], PLAYER_MAX_SPEED);
    reset_paddle(&paddles[1], player_mode != 0 ? PLAYER_MAX_SPEED
                                               : (difficulty + 1) * COMPUTER_SPEED_PER_LEVEL);
}

void run_match(void)
{
    Star stars[STAR_COUNT];
    Ball ball;
    Paddle paddles[2];

    setup_match(stars, &ball, paddles);
    if (sound_on == 1)
        play_midi(music_midi, 1);

    tick_count = 0;
    last_tick = 0;
    fps_mark = 0;
    frame_count = 0;
    install_int_ex(tick_handler, MSEC_TO_TIMER(1));

    int result;
    do {
        frame_count++;
        draw_match(stars, ball, paddles);
        result = match_step(&ball, paddles);
        if (tick_count > fps_mark + FPS_WINDOW_MS) {
            fps_mark = tick_count;
            frame_count = 0;
        }
    } while (result == 0 && !quit_requested());

    remove_int(tick_handler);
    if (sound_on == 1)
        stop_midi();
}
