// The screens outside play: the title screen and the pause box of a match.
#ifndef TABRIVET_FRONTEND_H
#define TABRIVET_FRONTEND_H

// Runs the title screen; returns 1 when the player quits, 0 to start a match.
int title_menu(void);

// Runs the pause box over a match; returns 1 to leave the match, 0 to resume it.
int pause_dialog(void);

#endif
