// Starts the real library in the game's 640x480 16-bit mode before the unit tests run,
// so that bitmaps, text, timers and the key array behave exactly as in the game.
#include <gtest/gtest.h>

#include <unistd.h>

#include <allegro.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as CTest does at build time) needs no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    set_uformat(U_ASCII);
    // Rarely, with many clients connecting to one X server at once, the library's start
    // fails once; a second try a moment later succeeds. Each failure is reported.
    int attempts = 0;
    while (allegro_init() != 0) {
        fprintf(stderr, "unit_tests: the library did not start (%s)\n", allegro_error);
        if (++attempts == 3) {
            fprintf(stderr, "unit_tests: giving up; the tests need an X display (xvfb-run)\n");
            return 1;
        }
        usleep(500000);
    }
    install_timer();
    install_keyboard();
    set_color_depth(16);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) < 0) {
        fprintf(stderr, "unit_tests: cannot set 640x480x16: %s\n", allegro_error);
        return 1;
    }
    int result = RUN_ALL_TESTS();
    allegro_exit();
    return result;
}
END_OF_MAIN()
