// The game's shared state and the small routines every screen uses: key clearing,
// serving the ball from the centre, putting a paddle back at its start, and the
// one way start-up reports a failure.
#include "shell/game.h"

#include <cstdio>
#include <cstdlib>

BITMAP *ball_bmp;
BITMAP *pause_bmp;
BITMAP *logo_bmp;
BITMAP *cursor_bmp;
BITMAP *paddle_left_bmp;
BITMAP *paddle_right_bmp;
SAMPLE *bounce_sample;
SAMPLE *hit_sample;
MIDI *music_midi;
DATAFILE *game_data;

BITMAP *back_buffer;

int player_mode;
int difficulty;
int sound_on;

int ball_in_play;
std::atomic<int> tick_count{0};
int last_tick;
int fps_mark;
int frame_count;

// Leaves the graphics mode, shows the message and ends the process with code 1. When the
// library itself could not start there is no mode to leave (trying would crash) and no
// message box: the text goes to the error stream as it is, Latin-1 bytes included.
void startup_failure(const char *text)
{
    if (system_driver == NULL) {
        fputs(text, stderr);
        exit(1);
    }
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
    allegro_message("%s", text);
    exit(1);
}

// Forgets every key state and every typed key, so that a key counts once per report
// from the keyboard driver and a key that closed one screen does not act on the next.
void clear_keys(void)
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
    clear_keybuf();
}

// Puts the ball at the centre with 0.25 px/ms on each axis in a random diagonal.
void reset_ball(Ball *b)
{
    b->x = SCREEN_W / 2;
    b->y = SCREEN_H / 2;
    b->vx = 0.25;
    b->vy = 0.25;
    if (rand() & 1)
        b->vx = -b->vx;
    if (rand() & 1)
        b->vy = -b->vy;
}

void reset_paddle(Paddle *p, double max_speed)
{
    p->x = 2.0;
    p->y = 160.0;
    p->speed = 0;
    p->prev_speed = 0;
    p->max_speed = max_speed;
    p->score = 0;
}
