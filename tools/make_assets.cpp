// The asset program: paints and synthesises every picture, sound, tune and icon of the
// game from code, with the library running without a display, and writes them as
// ordinary files into the directory named on its command line.
#include "make_assets.h"

#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_assets OUTPUT_DIRECTORY\n");
        return 2;
    }
    std::string dir = argv[1];
    std::error_code failure;
    std::filesystem::create_directories(dir, failure);
    if (failure) {
        fprintf(stderr, "make_assets: cannot create %s: %s\n", dir.c_str(), failure.message().c_str());
        return 1;
    }

    // Latin-1 text for the built-in font, and true colour memory bitmaps.
    set_uformat(U_ASCII);
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        fprintf(stderr, "make_assets: cannot start the library: %s\n", allegro_error);
        return 1;
    }
    set_color_depth(24);

    bool ok = make_sprites(dir) && make_logo(dir) && make_pause_box(dir) && make_icons(dir) &&
              make_sounds(dir) && make_music(dir);
    allegro_exit();
    return ok ? 0 : 1;
}
END_OF_MAIN()
