// What differs between the systems the game runs on: the window's name and icon, the
// folder the game runs in, the graphics mode it asks for first, and the quit signals.
#ifndef TABRIVET_PLATFORM_H
#define TABRIVET_PLATFORM_H

// Before the library starts: the window's class and icon where the system takes them
// from the program, and how the picture is drawn where the system must be told that early.
void prepare_window(void);

// Once the library runs: makes the folder of the game's files the working folder where
// the system starts programs elsewhere.
void enter_game_folder(void);

// Once the keyboard is installed: held keys repeat as the player set them for the system.
void follow_key_repeat_setting(void);

// Sets the 640x480 mode: the whole screen, or a window first where the whole screen
// would not work; returns the library's result.
int set_game_mode(void);

// The quit signals (Ctrl+C, kill, the end of the session): which ones the game was
// started with ignored, before the library starts; then handlers that only set
// quit_signal; and after the shutdown, the end of the process by the signal that came.
void note_inherited_signals(void);
void catch_quit_signals(void);
void end_by_quit_signal(void);

#endif
