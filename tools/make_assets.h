// Shared declarations of the asset program: the floating-point canvas the pictures are
// painted on, the little file writers (BMP through the library, PNG, WAV, MIDI bytes),
// and the routine behind each group of assets.
#ifndef TABRIVET_MAKE_ASSETS_H
#define TABRIVET_MAKE_ASSETS_H

#include <cstdint>
#include <string>
#include <vector>

// A premultiplied colour with its coverage, each channel 0..1.
struct Paint {
    float r, g, b, a;
};

// A picture being painted, one Paint per pixel, row after row.
struct Canvas {
    int w, h;
    std::vector<Paint> px;
};

// A straight colour, channels 0..255 as floats so that gradients can mix them.
struct Colour {
    float r, g, b;
};

// A segment of a stroked letter or shape, in pixel coordinates.
struct Segment {
    float x0, y0, x1, y1;
};

Canvas new_canvas(int w, int h);
Colour mix(Colour a, Colour b, float t);
float clamp01(float v);

// Lays colour c over the pixel (x, y) with the given coverage.
void paint_over(Canvas *c, int x, int y, Colour colour, float coverage);

// Distance from every pixel centre of a w x h picture to the nearest segment.
std::vector<float> distance_field(int w, int h, const std::vector<Segment> &segments);

// Appends the strokes of an upper-case text in the program's own stroke letters:
// letters cap_height pixels high, the baseline at y, starting at x, leaning right by
// slant pixels per pixel of height.  Returns the width taken, ink included.
float stroke_text(std::vector<Segment> *out, const char *text, float x, float y,
                  float cap_height, float slant, float stroke_radius);

// Width stroke_text would take for the same text, without drawing it.
float stroke_text_width(const char *text, float cap_height, float slant, float stroke_radius);

// Draws text in the library's 8x8 font, each font pixel a scale x scale block whose
// colour runs from top to bottom over the height of the lettering, with a dark shadow
// shadow pixels below and right when shadow is non-zero.
void font_text(Canvas *c, const char *text, int x, int y, int scale, Colour top,
               Colour bottom, int shadow);
int font_text_width(const char *text, int scale);

// Saves the canvas as a 24-bit BMP through the library.  Pixels with less coverage than
// mask_below become the mask colour; the others are shown over black.
bool save_canvas_bmp(const Canvas &c, const std::string &path, float mask_below);

bool write_file(const std::string &path, const std::vector<uint8_t> &bytes);
// An RGBA picture as the bytes of a PNG file.
std::vector<uint8_t> png_rgba(int w, int h, const std::vector<uint8_t> &rgba);
// A Windows icon file holding one PNG picture for each size.
bool write_ico(const std::string &path, const std::vector<int> &sizes,
               const std::vector<std::vector<uint8_t>> &pngs);
bool write_wav_mono16(const std::string &path, int rate, const std::vector<float> &samples);

// Each writes its files into dir and returns false, having said why, on failure.
bool make_sprites(const std::string &dir);
bool make_logo(const std::string &dir);
bool make_pause_box(const std::string &dir);
bool make_icons(const std::string &dir);
bool make_sounds(const std::string &dir);
bool make_music(const std::string &dir);

#endif
