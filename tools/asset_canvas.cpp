// The painting surface of the asset program: a canvas of premultiplied colours, text in
// the library's built-in font, and saving a canvas as a masked or opaque BMP.
#include "make_assets.h"

#include <allegro.h>

#include <cmath>
#include <cstdio>

Canvas new_canvas(int w, int h)
{
    Canvas c;
    c.w = w;
    c.h = h;
    c.px.assign((size_t)w * h, Paint{0, 0, 0, 0});
    return c;
}

Colour mix(Colour a, Colour b, float t)
{
    return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float clamp01(float v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

void paint_over(Canvas *c, int x, int y, Colour colour, float coverage)
{
    if (x < 0 || y < 0 || x >= c->w || y >= c->h)
        return;
    coverage = clamp01(coverage);
    if (coverage <= 0)
        return;
    Paint &p = c->px[(size_t)y * c->w + x];
    float keep = 1 - coverage;
    p.r = colour.r / 255.0f * coverage + p.r * keep;
    p.g = colour.g / 255.0f * coverage + p.g * keep;
    p.b = colour.b / 255.0f * coverage + p.b * keep;
    p.a = coverage + p.a * keep;
}

int font_text_width(const char *text, int scale)
{
    return text_length(font, text) * scale;
}

void font_text(Canvas *c, const char *text, int x, int y, int scale, Colour top,
               Colour bottom, int shadow)
{
    int w = text_length(font, text);
    int h = text_height(font);
    BITMAP *glyphs = create_bitmap_ex(8, w, h);
    if (glyphs == NULL)
        return;
    clear_to_color(glyphs, 0);
    textout_ex(glyphs, font, text, 0, 0, 1, -1);

    const Colour shade = {24, 6, 10};
    for (int pass = shadow ? 0 : 1; pass < 2; pass++) {
        int off = pass == 0 ? shadow : 0;
        for (int gy = 0; gy < h; gy++) {
            for (int gx = 0; gx < w; gx++) {
                if (getpixel(glyphs, gx, gy) == 0)
                    continue;
                for (int sy = 0; sy < scale; sy++) {
                    float t = (gy * scale + sy) / (float)(h * scale - 1);
                    Colour col = pass == 0 ? shade : mix(top, bottom, t);
                    for (int sx = 0; sx < scale; sx++)
                        paint_over(c, x + gx * scale + sx + off, y + gy * scale + sy + off, col, 1);
                }
            }
        }
    }
    destroy_bitmap(glyphs);
}

bool save_canvas_bmp(const Canvas &c, const std::string &path, float mask_below)
{
    BITMAP *bmp = create_bitmap_ex(24, c.w, c.h);
    if (bmp == NULL) {
        fprintf(stderr, "make_assets: no memory for %s\n", path.c_str());
        return false;
    }
    for (int y = 0; y < c.h; y++) {
        for (int x = 0; x < c.w; x++) {
            const Paint &p = c.px[(size_t)y * c.w + x];
            int colour;
            if (p.a < mask_below) {
                colour = makecol24(255, 0, 255);
            } else {
                int r = (int)lroundf(clamp01(p.r) * 255);
                int g = (int)lroundf(clamp01(p.g) * 255);
                int b = (int)lroundf(clamp01(p.b) * 255);
                // Once reduced to 16 bits a near-magenta would turn into the mask colour.
                if (r >= 248 && g < 4 && b >= 248)
                    g = 4;
                colour = makecol24(r, g, b);
            }
            putpixel(bmp, x, y, colour);
        }
    }
    int failed = save_bitmap(path.c_str(), bmp, NULL);
    destroy_bitmap(bmp);
    if (failed) {
        fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
