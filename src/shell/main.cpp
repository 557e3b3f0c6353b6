// Entry point of Tabrivet: brings up the library and its devices, loads the assets,
// then alternates between the title screen and a match until the player quits.
#include "shell/game.h"
#include "frontend/frontend.h"
#include "match/match.h"
#include "effects/effects.h"
#include "shell/platform.h"

#include <cerrno>

int main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;

    // The messages are Latin-1 bytes; have the library read text as 8-bit characters.
    set_uformat(U_ASCII);
    prepare_window();
    note_inherited_signals();
    // The library's exit is not registered with atexit: it is called below and on a
    // start-up failure. When the X server goes away, Xlib ends the process with exit(1)
    // from whichever thread saw it; the library's exit run from there would talk to the
    // dead server again and wait forever on a lock that thread already holds.
    if (install_allegro(SYSTEM_AUTODETECT, &errno, NULL) != 0)
        startup_failure("Le driver syst\xe8me ne peut \xeatre initialis\xe9 :(\n");
    catch_quit_signals();
    catch_close_request();
    enter_game_folder();
    set_window_title("Tabrivet");
    install_timer();
    if (install_keyboard() < 0)
        startup_failure("Le driver clavier ne peut \xeatre initialis\xe9 :(\n");
    follow_key_repeat_setting();
    if (install_mouse() < 0)
        startup_failure("Le driver souris ne peut \xeatre initialis\xe9 :(\n");
    set_color_depth(16);
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, "tabrivet") != 0)
        sound_on = 0;
    if (set_game_mode() < 0)
        startup_failure("Le mode graphique ne peut \xeatre mis en place :(\n");
    load_assets();

    // A quit signal or a close request ends whichever screen runs, and then the loop.
    while (!quit_requested()) {
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
