// Start-up of the game cut short after its data file: the same library set-up as the game
// (X system driver, 640x480 in 16-bit colour) and the game's own load_assets, then exit 0.
// A refused file ends it as it ends the game: exit 1 with the message through xmessage.
#include <cstdio>
#include <cstring>

#include "shell/game.h"

// Reads every pixel and sample once, so that a half-filled object shows up under the sanitizers.
static unsigned long touch_objects(void)
{
    unsigned long sum = 0;
    for (int i = 0; i < DAT_OBJECT_COUNT; i++) {
        if (game_data[i].type == DAT_BITMAP) {
            BITMAP *b = (BITMAP *)game_data[i].dat;
            for (int y = 0; y < b->h; y++)
                for (int x = 0; x < b->w; x++)
                    sum += getpixel(b, x, y);
        } else if (game_data[i].type == DAT_SAMPLE) {
            SAMPLE *s = (SAMPLE *)game_data[i].dat;
            const unsigned long bytes = s->len * (s->bits / 8) * (s->stereo ? 2 : 1);
            for (unsigned long k = 0; k < bytes; k++)
                sum += ((unsigned char *)s->data)[k];
        } else if (game_data[i].type == DAT_MIDI) {
            MIDI *m = (MIDI *)game_data[i].dat;
            for (int t = 0; t < MIDI_TRACKS; t++)
                for (int k = 0; k < m->track[t].len; k++)
                    sum += m->track[t].data[k];
        }
    }
    return sum;
}

int main(int argc, char *argv[])
{
    // --library-only: the library's loader and the game's object check without the
    // structure walk first, to see what the walk protects against.
    const int library_only = argc > 1 && strcmp(argv[1], "--library-only") == 0;

    set_uformat(U_ASCII);
    if (allegro_init() != 0)
        startup_failure("Le driver syst\xe8me ne peut \xeatre initialis\xe9 :(\n");
    install_timer();
    set_color_depth(16);
    if (set_gfx_mode(GFX_AUTODETECT, 640, 480, 0, 0) < 0)
        startup_failure("Le mode graphique ne peut \xeatre mis en place :(\n");

    if (library_only) {
        back_buffer = create_bitmap(SCREEN_W, SCREEN_H);
        game_data = load_datafile(DATA_FILE_NAME);
        if (game_data == NULL || !check_assets(game_data))
            startup_failure("Error loading '" DATA_FILE_NAME "'\n");
    } else {
        load_assets();
    }
    printf("loaded %lu\n", touch_objects());

    unload_datafile(game_data);
    destroy_bitmap(back_buffer);
    allegro_exit();
    return 0;
}
END_OF_MAIN()
