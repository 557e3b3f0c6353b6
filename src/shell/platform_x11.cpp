// What the game needs of an X desktop that no other system does: the window's class and
// icon, a window under Wayland, and the POSIX quit signals.
#include "shell/platform.h"
#include "shell/game.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

#include <xalleg.h>  // xwin_set_window_name: the library's call for the X window's class

#define QUIT_SIGNAL_COUNT 3

// The picture the library gives its X window as icon (XPM data); the library defines it,
// pointing at its own, but leaves it out of its public headers.
extern void *allegro_icon;

// tabrivet_icon_xpm: the game's icon at 48 pixels, written by the asset program from the
// same drawing as the menu's icons.
#include "icon.xpm"

// Ctrl+C, kill and the end of the terminal or session.
static const int quit_signals[QUIT_SIGNAL_COUNT] = {SIGINT, SIGTERM, SIGHUP};
static int ignored_at_start[QUIT_SIGNAL_COUNT];

// 1 in a Wayland session. There the library's fullscreen X driver gets no keyboard and a
// stretched picture from Xwayland, while its windowed driver works as on any X desktop.
static int wayland_session(void)
{
    const char *display = getenv("WAYLAND_DISPLAY");
    const char *session = getenv("XDG_SESSION_TYPE");
    return (display != NULL && display[0] != '\0') ||
           (session != NULL && strcmp(session, "wayland") == 0);
}

void prepare_window(void)
{
    // The window's class names the game, so that the desktop matches it to its menu entry
    // and icon; the library gives it, and the icon, to the window it creates.
    xwin_set_window_name("tabrivet", "Tabrivet");
    allegro_icon = (void *)tabrivet_icon_xpm;
}

// The game runs in the folder it was started in: the launcher chooses the player's own.
void enter_game_folder(void)
{
}

// The X server repeats held keys as the player set it; the library passes its repeats on.
void follow_key_repeat_setting(void)
{
}

int set_game_mode(void)
{
    if (wayland_session() && set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) == 0)
        return 0;
    return set_gfx_mode(GFX_AUTODETECT, 640, 480, 0, 0);
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
