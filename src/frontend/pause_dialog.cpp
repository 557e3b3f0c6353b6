// The pause box of a match: pauses the music and the match clock, shows the pause picture
// with the mouse pointer on it, and waits for the player to resume or to leave the match.
#include "frontend/frontend.h"
#include "shell/game.h"

#define PAUSE_X 178
#define PAUSE_Y 181
#define PASS_REST_MS 1

// The two buttons, in the picture's own coordinates, bounds included.
#define BUTTON_TOP 95
#define BUTTON_BOTTOM 116
#define LEAVE_LEFT 1
#define LEAVE_RIGHT 138
#define RESUME_LEFT 145
#define RESUME_RIGHT 282

void pause_pass(int *done, int *leave)
{
    // Only a key reported during this pass counts: the Esc that opened the box does not.
    clear_keys();
    blit(pause_bmp, screen, 0, 0, PAUSE_X, PAUSE_Y, SCREEN_W, SCREEN_H);
    // Give the processor back for a millisecond before reading the input: the box does not
    // burn a core while it waits, and a key reported meanwhile counts in this pass instead
    // of racing the next pass's clearing.
    rest(PASS_REST_MS);

    if (mouse_y >= BUTTON_TOP && mouse_y <= BUTTON_BOTTOM) {
        if (mouse_x >= LEAVE_LEFT && mouse_x <= LEAVE_RIGHT && (mouse_b & 1)) {
            *done = 1;
            *leave = 1;
        }
        if (mouse_x >= RESUME_LEFT && mouse_x <= RESUME_RIGHT && (mouse_b & 1)) {
            if (sound_on == 1)
                midi_resume();
            *done = 1;
        }
    }
    if (key[KEY_ESC]) {
        if (sound_on == 1)
            midi_resume();
        *done = 1;
    }
    if (key[KEY_ENTER]) {
        *done = 1;
        *leave = 1;
    }
}

int pause_dialog(void)
{
    int done = 0;
    int leave = 0;

    if (sound_on == 1)
        midi_pause();
    set_mouse_sprite(cursor_bmp);
    set_mouse_range(0, 0, pause_bmp->w - 1, pause_bmp->h - 1);
    position_mouse(pause_bmp->w / 2, pause_bmp->h / 2);
    const int paused_at = tick_count;
    show_mouse(pause_bmp);

    while (!done && !quit_requested())
        pause_pass(&done, &leave);

    show_mouse(NULL);
    tick_count = paused_at;
    // A quit signal or a close request leaves the match.
    return leave || quit_requested();
}
