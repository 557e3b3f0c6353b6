// Start-up of the game's resources: seeds the random generator, creates the off-screen
// frame and loads the data file, refusing one whose objects are not the nine expected.
#include "shell/game.h"

#include <cstdlib>
#include <ctime>

// The type each object of the data file must have, in file order (the game indexes them
// by position).
const int asset_types[DAT_OBJECT_COUNT] = {
    DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP,
    DAT_SAMPLE, DAT_SAMPLE, DAT_MIDI,
};

// Returns 1 when the data file holds exactly the nine objects of the expected types,
// each with its contents, and a pause picture large enough for its buttons; 0 otherwise.
int check_assets(const DATAFILE *data)
{
    for (int i = 0; i < DAT_OBJECT_COUNT; i++) {
        if (data[i].type != asset_types[i] || data[i].dat == NULL)
            return 0;
    }
    if (data[DAT_OBJECT_COUNT].type != DAT_END)
        return 0;
    const BITMAP *pause = (const BITMAP *)data[DAT_INDEX_PAUSE].dat;
    return pause->w >= PAUSE_MIN_W && pause->h >= PAUSE_MIN_H;
}

void load_assets(void)
{
    srand(time(NULL));

    back_buffer = create_bitmap(SCREEN_W, SCREEN_H);
    if (back_buffer == NULL)
        startup_failure("Probleme de creation de bitmap :(\n");
    // A new bitmap holds whatever its memory held; the first fade shows it.
    clear_bitmap(back_buffer);

    // A damaged file is refused before the library, which trusts its sizes, reads it; a
    // loaded one whose objects are not the expected nine is unloaded and refused alike.
    game_data = check_datafile(DATA_FILE_NAME) ? load_datafile(DATA_FILE_NAME) : NULL;
    if (game_data != NULL && !check_assets(game_data)) {
        unload_datafile(game_data);
        game_data = NULL;
    }
    if (game_data == NULL)
        startup_failure("Error loading '" DATA_FILE_NAME "'\n");

    ball_bmp = (BITMAP *)game_data[DAT_INDEX_BALL].dat;
    pause_bmp = (BITMAP *)game_data[DAT_INDEX_PAUSE].dat;
    logo_bmp = (BITMAP *)game_data[DAT_INDEX_LOGO].dat;
    cursor_bmp = (BITMAP *)game_data[DAT_INDEX_CURSOR].dat;
    paddle_left_bmp = (BITMAP *)game_data[DAT_INDEX_PADDLE_LEFT].dat;
    paddle_right_bmp = (BITMAP *)game_data[DAT_INDEX_PADDLE_RIGHT].dat;
    bounce_sample = (SAMPLE *)game_data[DAT_INDEX_BOUNCE].dat;
    hit_sample = (SAMPLE *)game_data[DAT_INDEX_HIT].dat;
    music_midi = (MIDI *)game_data[DAT_INDEX_MUSIC].dat;

    sound_on = 0;
    ball_in_play = 0;
}
