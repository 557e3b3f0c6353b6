// Entry point of Tabrivet: brings up the library and its devices, loads the assets,
// then alternates between the title screen and a match until the player quits.
#include "shell/game.h"
#include "frontend/frontend.h"
#include "match/match.h"
#include "effects/effects.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <xalleg.h>  // xwin_set_window_name: the library's call for the X window's class

// 1 in a Wayland session. There the library's fullscreen X driver gets no keyboard and a
// stretched picture from Xwayland, while its windowed driver works as on any X desktop.
static int wayland_session(void)
{
    const char *display = getenv("WAYLAND_DISPLAY");
    const char *session = getenv("XDG_SESSION_TYPE");
    return (display != NULL && display[0] != '\0') ||
           (session != NULL && strcmp(session, "wayland") == 0);
}

// Sets the 640x480 mode: the whole screen, or under Wayland a window first.
static int set_game_mode(void)
{
    if (wayland_session() && set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) == 0)
        return 0;
    return set_gfx_mode(GFX_AUTODETECT, 640, 480, 0, 0);
}

int main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;

    // The messages are Latin-1 bytes; have the library read text as 8-bit characters.
    set_uformat(U_ASCII);
    // The window's class names the game, so that the desktop matches it to its menu entry
    // and icon; the library gives it to the window it creates when it starts.
    xwin_set_window_name("tabrivet", "Tabrivet");
    note_inherited_signals();
    // The library's exit is not registered with atexit: it is called below and on a
    // start-up failure. When the X server goes away, Xlib ends the process with exit(1)
    // from whichever thread saw it; the library's exit run from there would talk to the
    // dead server again and wait forever on a lock that thread already holds.
    if (install_allegro(SYSTEM_AUTODETECT, &errno, NULL) != 0)
        startup_failure("Le driver syst\xe8me ne peut \xeatre initialis\xe9 :(\n");
    catch_quit_signals();
    set_window_title("Tabrivet");
    install_timer();
    if (install_keyboard() < 0)
        startup_failure("Le driver clavier ne peut \xeatre initialis\xe9 :(\n");
    if (install_mouse() < 0)
        startup_failure("Le driver souris ne peut \xeatre initialis\xe9 :(\n");
    set_color_depth(16);
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, "tabrivet") != 0)
        sound_on = 0;
    if (set_game_mode() < 0)
        startup_failure("Le mode graphique ne peut \xeatre mis en place :(\n");
    load_assets();

    // A quit signal ends whichever screen runs, and then the loop.
    while (quit_signal == 0) {
        fade_out();
        if (title_menu())
            break;
        run_match();
    }

    unload_datafile(game_data);
    destroy_bitmap(back_buffer);
    allegro_exit();
    end_by_quit_signal();
    return 0;
}
END_OF_MAIN()
