// Entry point of Tabrivet: brings up the library and its devices, loads the assets,
// then alternates between the title screen and a match until the player quits.
#include "shell/game.h"
#include "frontend/frontend.h"
#include "match/match.h"
#include "effects/effects.h"

int main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;

    // The messages are Latin-1 bytes; have the library read text as 8-bit characters.
    set_uformat(U_ASCII);
    if (allegro_init() != 0)
        startup_failure("Le driver syst\xe8me ne peut \xeatre initialis\xe9 :(\n");
    install_timer();
    if (install_keyboard() < 0)
        startup_failure("Le driver clavier ne peut \xeatre initialis\xe9 :(\n");
    if (install_mouse() < 0)
        startup_failure("Le driver souris ne peut \xeatre initialis\xe9 :(\n");
    set_color_depth(16);
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, "tabrivet") != 0)
        sound_on = 0;
    if (set_gfx_mode(GFX_AUTODETECT, 640, 480, 0, 0) < 0)
        startup_failure("Le mode graphique ne peut \xeatre mis en place :(\n");
    load_assets();

    for (;;) {
        fade_out();
        if (title_menu())
            break;
        run_match();
    }

    unload_datafile(game_data);
    destroy_bitmap(back_buffer);
    allegro_exit();
    return 0;
}
END_OF_MAIN()
