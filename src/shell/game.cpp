// The game's shared state and the small routines every screen uses: key clearing,
// serving the ball from the centre, putting a paddle back at its start, and the
// one way start-up reports a failure; the window's close request and the timer that keeps
// the retrace going outside a match.
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
std::atomic<int> quit_signal{0};
std::atomic<int> close_requested{0};

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
    // The library's exit is not left to exit(): see main.
    allegro_exit();
    exit(1);
}

// Called by the library's input thread when the window manager asks the window to close;
// like the signal handler, it only raises a flag that the screens look at.
static void on_close_request(void)
{
    close_requested = 1;
}

// Has the window's close button (and the window manager's other ways to close it) end the
// game. Without a callback the library ignores the request and the window stays open.
void catch_close_request(void)
{
    set_close_button_callback(on_close_request);
}

int quit_requested(void)
{
    return quit_signal != 0 || close_requested != 0;
}

// Does nothing: installed at the match clock's period while the title screen or the fade
// runs, it wakes the library's timer thread as often as in a match. Without it that thread
// sleeps some 27 ms at a time and the simulated retrace that vsync waits for, which only
// moves when the thread wakes, comes at half its rate.
void retrace_keeper(void)
{
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
