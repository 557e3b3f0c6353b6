// One match: its loop and millisecond clock, the step that moves everything, and its drawing.
#ifndef TABRIVET_MATCH_H
#define TABRIVET_MATCH_H

#include "shell/game.h"

void run_match(void);
void setup_match(Star *stars, Ball *ball, Paddle *paddles);
void tick_handler(void);

// Moves the match on by the time elapsed since the previous step and handles the match
// keys; returns non-zero when the players leave the match.
int match_step(Ball *ball, Paddle *paddles);

// Draws one frame of the match and shows it on the next vertical retrace.
void draw_match(Star *stars, Ball ball, const Paddle *paddles);

#endif
