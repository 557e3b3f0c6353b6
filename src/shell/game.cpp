// The game's shared state and the small routines every screen uses: key clearing,
// serving the ball from the centre, putting a paddle back at its start, and the
// one way start-up reports a failure; the quit signals, the window's close request and the
// timer that keeps the retrace going outside a match.
#include "shell/game.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#define QUIT_SIGNAL_COUNT 3

// Ctrl+C, kill and the end of the terminal or session.
static const int quit_signals[QUIT_SIGNAL_COUNT] = {SIGINT, SIGTERM, SIGHUP};
static int ignored_at_start[QUIT_SIGNAL_COUNT];

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

// Notes which quit signals the game was started with ignored (nohup, a background job),
// before the library puts its own handlers on some of them.
void note_inherited_signals(void)
{
    for (int i = 0; i < QUIT_SIGNAL_COUNT; i++) {
        struct sigaction before;
        sigaction(quit_signals[i], NULL, &before);
        ignored_at_start[i] = before.sa_handler == SIG_IGN;
    }
}

static void on_quit_signal(int sig)
{
    quit_signal = sig;
}

// Replaces the library's handlers, which shut the library down inside the handler and then
// let the interrupted frame carry on with what they destroyed: a quit signal now only asks
// the screens to end, and the game shuts down the usual way. Ignored signals stay ignored.
void catch_quit_signals(void)
{
    for (int i = 0; i < QUIT_SIGNAL_COUNT; i++) {
        struct sigaction action = {};
        action.sa_handler = ignored_at_start[i] ? SIG_IGN : on_quit_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(quit_signals[i], &action, NULL);
    }
}

// After the shutdown that a quit signal asked for, ends the process by that signal, as its
// sender expects; returns when none came.
void end_by_quit_signal(void)
{
    const int sig = quit_signal;
    if (sig == 0)
        return;
    signal(sig, SIG_DFL);
    raise(sig);
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
