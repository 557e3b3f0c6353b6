// One step of a match between two frames: controls and the computer's paddle, motion by
// the milliseconds elapsed, coasting, clamping, hits, bounces, points, and the match keys
// (serve, screenshot, pause).
#include "match/match.h"
#include "frontend/frontend.h"

#define SPEED_STEP 0.1           // every change of a paddle's speed, px/ms
#define REST_BAND 0.1            // a coasting speed strictly inside +-this stops
#define SCREENSHOT_FILE "capture.pcx"

// Speeds up a paddle towards the top, unless it already goes up at its top speed.
static void push_up(Paddle *p)
{
    if (p->speed > -p->max_speed)
        p->speed = p->speed - SPEED_STEP;
}

// Speeds up a paddle towards the bottom, unless it already goes down at its top speed.
static void push_down(Paddle *p)
{
    if (p->speed < p->max_speed)
        p->speed = p->speed + SPEED_STEP;
}

// Takes one step of speed towards rest off a paddle that no control changed.
static void coast(Paddle *p)
{
    if (p->speed != p->prev_speed)
        return;
    if (p->speed > 0)
        p->speed = p->speed - SPEED_STEP;
    if (p->speed < 0)
        p->speed = p->speed + SPEED_STEP;
    if (p->speed > -REST_BAND && p->speed < REST_BAND)
        p->speed = 0;
}

// Keeps a paddle of height h on the screen, stopping it at the edge it reached.
static void clamp_paddle(Paddle *p, int h)
{
    if (p->y < 0) {
        p->y = 0;
        p->speed = 0;
    }
    if (p->y + h > SCREEN_H - 1) {
        p->y = SCREEN_H - h - 1;
        p->speed = 0;
    }
}

static void play_if_sound(SAMPLE *sample)
{
    if (sound_on == 1)
        play_sample(sample, 255, 128, 1000, 0);
}

// Serves the ball back from the centre after a point to the given side.
static void score_point(Ball *ball, Paddle *winner)
{
    winner->score = winner->score + 1;
    reset_ball(ball);
    ball_in_play = 0;
}

// Clears the key states at the end of a step. The four paddle keys keep the state the
// keyboard driver gives them, so a paddle key counts in every step while it is held;
// every other key counts once per report.
static void clear_match_keys(void)
{
    for (int i = 0; i < KEY_MAX; i++) {
        if (i != KEY_A && i != KEY_Z && i != KEY_UP && i != KEY_DOWN)
            key[i] = 0;
    }
    clear_keybuf();
}

// Moves paddles and ball by the time elapsed since the previous step and resolves
// hits, bounces and points.
static void play_step(Ball *ball, Paddle *paddles)
{
    const int half_w = ball_bmp->w >> 1;
    const int half_h = ball_bmp->h >> 1;
    const int left_w = paddle_left_bmp->w, left_h = paddle_left_bmp->h;
    const int right_w = paddle_right_bmp->w, right_h = paddle_right_bmp->h;
    Paddle *left = &paddles[0];
    Paddle *right = &paddles[1];

    if (player_mode == 0) {
        // The computer chases the ball's centre whenever it is outside the paddle's span.
        if (right->y > ball->y)
            push_up(right);
        if (right->y + right_h < ball->y)
            push_down(right);
    } else {
        if (key[KEY_UP])
            push_up(right);
        if (key[KEY_DOWN])
            push_down(right);
    }
    if (key[KEY_A])
        push_up(left);
    if (key[KEY_Z])
        push_down(left);

    const int now = tick_count;
    const double dt = now - last_tick;
    ball->x = ball->x + dt * ball->vx;
    ball->y = ball->y + dt * ball->vy;

    coast(left);
    coast(right);
    left->prev_speed = left->speed;
    right->prev_speed = right->speed;

    left->y = left->y + left->speed * dt;
    right->y = right->y + right->speed * dt;
    clamp_paddle(left, left_h);
    clamp_paddle(right, right_h);

    last_tick = now;

    // A paddle returns only a ball coming towards it, so a ball still overlapping the
    // paddle after its return is not turned back again.
    if (ball->vx < 0 && ball->x - half_w <= left->x + left_w &&
        left->y < ball->y + half_h && ball->y - half_h < left->y + left_h) {
        play_if_sound(hit_sample);
        ball->vx = -ball->vx;
    }
    if (ball->vx > 0 && SCREEN_W - right_w - right->x <= ball->x + half_w &&
        right->y < ball->y + half_h && ball->y - half_h < right->y + right_h) {
        play_if_sound(hit_sample);
        ball->vx = -ball->vx;
    }

    // Likewise an edge turns back only a ball still heading out through it.
    if (ball->y - half_h < 0) {
        if (ball->vy < 0) {
            play_if_sound(bounce_sample);
            ball->vy = -ball->vy;
        }
    } else if (ball->y + half_h >= SCREEN_H - 1 && ball->vy > 0) {
        play_if_sound(bounce_sample);
        ball->vy = -ball->vy;
    }

    if (ball->x + half_w < 0)
        score_point(ball, right);
    if (ball->x - half_w > SCREEN_W - 1)
        score_point(ball, left);
}

int match_step(Ball *ball, Paddle *paddles)
{
    int result = 0;

    if (ball_in_play)
        play_step(ball, paddles);

    if (key[KEY_SPACE]) {
        ball_in_play = 1;
        last_tick = tick_count;
    }
    if (key[KEY_PRTSCR]) {
        PALETTE pal;
        get_palette(pal);
        save_bitmap(SCREENSHOT_FILE, back_buffer, pal);
    }
    if (key[KEY_ESC])
        result = pause_dialog();

    clear_match_keys();
    return result;
}
