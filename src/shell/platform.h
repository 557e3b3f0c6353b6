// What differs between the systems the game runs on: how its window is named and shown
// before the library starts, and which graphics mode it asks for first.
#ifndef TABRIVET_PLATFORM_H
#define TABRIVET_PLATFORM_H

// Before the library starts: the window's class and icon.
void prepare_window(void);

// Sets the 640x480 mode: the whole screen, or a window first where the whole screen
// would not work; returns the library's result.
int set_game_mode(void);

#endif
