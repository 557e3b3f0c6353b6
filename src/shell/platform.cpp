// What differs between the systems the game runs on, kept in one place so that no screen
// depends on the system: under X the window's class, its icon and the choice of a window
// in a Wayland session.
#include "shell/platform.h"
#include "shell/game.h"

#include <cstdlib>
#include <cstring>

#include <xalleg.h>  // xwin_set_window_name: the library's call for the X window's class

// The picture the library gives its X window as icon (XPM data); the library defines it,
// pointing at its own, but leaves it out of its public headers.
extern void *allegro_icon;

// tabrivet_icon_xpm: the game's icon at 48 pixels, written by the asset program from the
// same drawing as the menu's icons.
#include "icon.xpm"

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

int set_game_mode(void)
{
    if (wayland_session() && set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) == 0)
        return 0;
    return set_gfx_mode(GFX_AUTODETECT, 640, 480, 0, 0);
}
