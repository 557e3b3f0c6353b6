// Starts the real library in the game's 640x480 16-bit mode before the unit tests run,
// so that bitmaps, text, timers and the key array behave exactly as in the game.
#include <gtest/gtest.h>

#include <allegro.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as CTest does at build time) needs no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    set_uformat(U_ASCII);
    if (allegro_init() != 0) {
        fprintf(stderr, "unit_tests: no display for the library (run under xvfb-run)\n");
        return 1;
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
