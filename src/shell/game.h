// Shared state of the game: the assets taken from the data file, the off-screen frame,
// the title screen's settings, the match clocks, the records a match is made of, and the
// small routines every screen uses.
#ifndef TABRIVET_GAME_H
#define TABRIVET_GAME_H

#include <atomic>

#include <allegro.h>

#define STAR_COUNT 200
#define DATA_FILE_NAME "tabrivet.dat"

// Positions of the nine objects in the data file.
enum {
    DAT_INDEX_BALL,
    DAT_INDEX_PAUSE,
    DAT_INDEX_LOGO,
    DAT_INDEX_CURSOR,
    DAT_INDEX_PADDLE_LEFT,
    DAT_INDEX_PADDLE_RIGHT,
    DAT_INDEX_BOUNCE,
    DAT_INDEX_HIT,
    DAT_INDEX_MUSIC,
    DAT_OBJECT_COUNT
};

// The type each object must have, in file order.
extern const int asset_types[DAT_OBJECT_COUNT];

// The pause picture must be at least this large for every pixel of its buttons to be reachable.
#define PAUSE_MIN_W 283
#define PAUSE_MIN_H 117

struct Ball {
    double x, y;    // centre, in screen pixels
    double vx, vy;  // pixels per millisecond
};

struct Paddle {
    double x;           // inset from the paddle's own side of the screen
    double y;           // row of the top edge
    double speed;       // pixels per millisecond, negative is upwards
    double prev_speed;  // speed as of the previous step
    double max_speed;
    int score;
};

struct Star {
    int x, y, z;  // position in space; z is the depth, negative
    int sx, sy;   // screen position of the last plot
};

// Assets: pointers into the loaded data file, which owns them.
extern BITMAP *ball_bmp;
extern BITMAP *pause_bmp;
extern BITMAP *logo_bmp;
extern BITMAP *cursor_bmp;
extern BITMAP *paddle_left_bmp;
extern BITMAP *paddle_right_bmp;
extern SAMPLE *bounce_sample;
extern SAMPLE *hit_sample;
extern MIDI *music_midi;
extern DATAFILE *game_data;

extern BITMAP *back_buffer;

// Settings chosen on the title screen; they last for the whole run.
extern int player_mode;  // 0: against the computer, otherwise two players
extern int difficulty;   // 0..3
extern int sound_on;     // music and samples only when 1

// Match flags and clocks, in milliseconds of tick_count.
extern int ball_in_play;
extern std::atomic<int> tick_count;  // advanced by the timer thread
extern int last_tick;
extern int fps_mark;
extern int frame_count;

// The number of the quit signal caught (Ctrl+C, kill, the end of the session), 0 while
// none came. Every screen ends when it is set, and the game then shuts down as after Esc.
extern std::atomic<int> quit_signal;

// 1 once the window manager asked the game's window to close (the title bar's button,
// Alt+F4). Every screen ends as for a quit signal, and the game then ends with status 0.
extern std::atomic<int> close_requested;

// The period of retrace_keeper: the match clock's, so that the library's simulated
// retrace is as exact outside a match as in one.
#define RETRACE_KEEPER_PERIOD MSEC_TO_TIMER(1)

void startup_failure(const char *text);
void catch_close_request(void);
int quit_requested(void);  // 1 once a quit signal or a close request came
void retrace_keeper(void);
void load_assets(void);
int check_assets(const DATAFILE *data);
int check_datafile(const char *path);  // 1 when the file's structure is sound enough to load
void clear_keys(void);
void reset_ball(Ball *b);
void reset_paddle(Paddle *p, double max_speed);

#endif
