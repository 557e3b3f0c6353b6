// Screen effects: the starfield behind the title screen and the match, and the fade
// between screens.
#ifndef TABRIVET_EFFECTS_H
#define TABRIVET_EFFECTS_H

#include "shell/game.h"

void init_stars(Star *stars);
void draw_stars(Star *stars);
void fade_out(void);

#endif
