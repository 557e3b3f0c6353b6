// The screens outside play: the title screen and the pause box of a match.
#ifndef TABRIVET_FRONTEND_H
#define TABRIVET_FRONTEND_H

#include "shell/game.h"

// One visit of the title screen: its own starfield, whether it is over and with which
// answer, the frames during which clicks are ignored, how long the button has been held, and
// the key latched for the next frame.
struct MenuVisit {
    Star stars[STAR_COUNT];
    int done;
    int result;
    int click_delay;
    int held_frames;  // frames in a row that saw the left button down, up to the repeat delay
    int pending_key;
};

// Starts a visit: fresh stars, pointer at the centre, nothing latched.
void menu_enter(MenuVisit *visit);

// Draws and shows one frame of the title screen and acts on the mouse and the keys.
void menu_frame(MenuVisit *visit);

// One pass of the pause box: shows the picture and sets done (and leave) from the input.
void pause_pass(int *done, int *leave);

// Runs the title screen; returns 1 when the player quits, 0 to start a match.
int title_menu(void);

// Runs the pause box over a match; returns 1 to leave the match, 0 to resume it.
int pause_dialog(void);

#endif
