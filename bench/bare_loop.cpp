// The least a frame of the game can cost: the same start-up as the game, then a loop that
// only clears a 640x480 16-bit bitmap, waits for the vertical retrace and copies it to the
// screen. Run by bench/run_bench.py with frame_probe preloaded, which measures the frames.
#include <allegro.h>
#include <signal.h>

#include <cstdlib>

// Stands for the match's millisecond clock: with no timer this fast installed, the
// library's retrace simulation lets vsync return at only half the rate (36 frames a second
// instead of 70), and the bare frames would not be comparable with the match's.
static volatile int ticks;

static void tick(void)
{
    ticks++;
}

// One frame, kept out of line so that profiles show it whole.
__attribute__((noinline)) static void bare_frame(BITMAP *buffer)
{
    clear_bitmap(buffer);
    vsync();
    blit(buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
}

int main(int argc, char *argv[])
{
    const int frames = argc > 1 ? atoi(argv[1]) : 300;
    set_uformat(U_ASCII);
    if (allegro_init() != 0)
        return 1;
    install_timer();
    install_keyboard();
    install_mouse();
    set_color_depth(16);
    install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, NULL);
    if (set_gfx_mode(GFX_AUTODETECT, 640, 480, 0, 0) < 0)
        return 1;
    BITMAP *buffer = create_bitmap(SCREEN_W, SCREEN_H);
    install_int_ex(tick, MSEC_TO_TIMER(1));

    for (int i = 0; i < 30; i++)  // settle first, as the game has by its match
        bare_frame(buffer);
    // The probe measures the frames that follow this signal, as it does for the match.
    raise(SIGUSR1);
    for (int i = 0; i <= frames; i++)
        bare_frame(buffer);

    remove_int(tick);
    destroy_bitmap(buffer);
    allegro_exit();
    return 0;
}
END_OF_MAIN()
