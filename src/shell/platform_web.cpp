// What the game needs of a web page: little, since the library's web drivers do the work.
// The page names itself and shows the game's icon; the data files sit in the working
// folder of the page's file system; the browser repeats held keys as the player set them;
// a page is closed, never sent a quit signal.
#include "shell/platform.h"
#include "shell/game.h"

void prepare_window(void)
{
}

void enter_game_folder(void)
{
}

void follow_key_repeat_setting(void)
{
}

int set_game_mode(void)
{
    return set_gfx_mode(GFX_AUTODETECT, 640, 480, 0, 0);
}

void note_inherited_signals(void)
{
}

void catch_quit_signals(void)
{
}

void end_by_quit_signal(void)
{
}
