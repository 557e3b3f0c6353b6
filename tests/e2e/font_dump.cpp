// Prints the glyphs of the library's built-in 8x8 font, one printable ASCII character a
// line: its code, then one hex byte per row (bit 7 is the leftmost column). The end-to-end
// harness reads text back from the game's screen by matching it against these glyphs.
#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

int main(void)
{
    set_uformat(U_ASCII);
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        fprintf(stderr, "font_dump: the library could not start\n");
        return 1;
    }
    set_color_depth(8);
    BITMAP *cell = create_bitmap(8, 8);
    if (cell == NULL || text_height(font) != 8) {
        fprintf(stderr, "font_dump: unexpected font or no memory\n");
        return 1;
    }
    for (int c = 32; c < 127; c++) {
        char text[2] = {(char)c, 0};
        if (text_length(font, text) != 8) {
            fprintf(stderr, "font_dump: glyph %d is not 8 pixels wide\n", c);
            return 1;
        }
        clear_to_color(cell, 0);
        textout_ex(cell, font, text, 0, 0, 1, 0);
        printf("%d", c);
        for (int y = 0; y < 8; y++) {
            int bits = 0;
            for (int x = 0; x < 8; x++)
                if (getpixel(cell, x, y))
                    bits |= 0x80 >> x;
            printf(" %02x", bits);
        }
        printf("\n");
    }
    destroy_bitmap(cell);
    return 0;
}
END_OF_MAIN()
