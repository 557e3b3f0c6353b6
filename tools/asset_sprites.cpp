// The small sprites of the game: the shaded ball (masked), the mouse arrow (masked, its
// tip the top-left pixel) and the two paddles, the right one the mirror of the left.
#include "make_assets.h"

#include <cmath>
#include <cstring>

#define SUPERSAMPLE 4

// Lit colour of a sphere of the given base colour at normalised point (dx, dy) of its disc.
static Colour sphere_colour(float dx, float dy, Colour base, Colour rim)
{
    float nz = sqrtf(fmaxf(0.0f, 1 - dx * dx - dy * dy));
    const float lx = -0.48f, ly = -0.58f, lz = 0.66f;  // light from the upper left, in front
    float diffuse = fmaxf(0.0f, dx * lx + dy * ly + nz * lz);
    // Half-way vector between the light and the viewer, for the glint.
    float hx = lx, hy = ly, hz = lz + 1;
    float hl = sqrtf(hx * hx + hy * hy + hz * hz);
    float glint = powf(fmaxf(0.0f, (dx * hx + dy * hy + nz * hz) / hl), 28);
    Colour col = mix(rim, base, clamp01(nz * 1.6f));
    col = Colour{col.r * (0.5f + 0.7f * diffuse), col.g * (0.5f + 0.7f * diffuse),
                 col.b * (0.5f + 0.7f * diffuse)};
    col = Colour{fminf(col.r, 255.0f), fminf(col.g, 255.0f), fminf(col.b, 255.0f)};
    return mix(col, Colour{255, 255, 250}, glint * 0.95f);
}

// The ball: 16x16, a lit orange sphere on the mask colour.
static bool make_ball(const std::string &dir)
{
    const int size = 16;
    const float cx = 8, cy = 8, radius = 7.6f;
    Canvas c = new_canvas(size, size);
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            float r = 0, g = 0, b = 0;
            int inside = 0;
            for (int sy = 0; sy < SUPERSAMPLE; sy++) {
                for (int sx = 0; sx < SUPERSAMPLE; sx++) {
                    float dx = (x + (sx + 0.5f) / SUPERSAMPLE - cx) / radius;
                    float dy = (y + (sy + 0.5f) / SUPERSAMPLE - cy) / radius;
                    if (dx * dx + dy * dy > 1)
                        continue;
                    Colour col = sphere_colour(dx, dy, Colour{255, 160, 72}, Colour{235, 52, 52});
                    r += col.r;
                    g += col.g;
                    b += col.b;
                    inside++;
                }
            }
            if (inside == 0)
                continue;
            paint_over(&c, x, y, Colour{r / inside, g / inside, b / inside},
                       inside / (float)(SUPERSAMPLE * SUPERSAMPLE));
        }
    }
    return save_canvas_bmp(c, dir + "/ball.bmp", 0.3f);
}

// The mouse arrow, drawn pixel by pixel: 'o' outline, 'w' light body, '.' the mask.
static const char *const arrow_rows[] = {
    "o..........",
    "oo.........",
    "owo........",
    "owwo.......",
    "owwwo......",
    "owwwwo.....",
    "owwwwwo....",
    "owwwwwwo...",
    "owwwwwwwo..",
    "owwwwwwwwo.",
    "owwwwwwwwwo",
    "owwwwwooooo",
    "owwowwo....",
    "owo.owwo...",
    "oo..owwo...",
    "o....owwo..",
    ".....owwo..",
    "......oo...",
};

static bool make_cursor(const std::string &dir)
{
    const int rows = sizeof(arrow_rows) / sizeof(arrow_rows[0]);
    const int cols = (int)strlen(arrow_rows[0]);
    Canvas c = new_canvas(cols, rows);
    for (int y = 0; y < rows; y++) {
        for (int x = 0; x < cols; x++) {
            char p = arrow_rows[y][x];
            if (p == 'o')
                paint_over(&c, x, y, Colour{70, 8, 20}, 1);
            else if (p == 'w')  // white at the tip warming to the menu's orange at the tail
                paint_over(&c, x, y, mix(Colour{255, 255, 255}, Colour{255, 186, 120}, y / (float)rows), 1);
        }
    }
    return save_canvas_bmp(c, dir + "/cursor.bmp", 0.5f);
}

// Colour of the left paddle at (x, y) of a w x h paddle: a bevelled red body with a lit
// edge at the back, a dark seam, and an orange rubber face on the side that meets the
// ball (the right).
static Colour paddle_colour(float x, float y, int w, int h)
{
    float v = y / h;
    Colour col;
    if (x < 1) {
        col = Colour{170, 34, 40};
    } else if (x < 3) {
        col = mix(Colour{255, 64, 64}, Colour{255, 226, 206}, 0.55f);
    } else if (x < w - 3.5f) {
        col = mix(Colour{255, 64, 64}, Colour{214, 42, 50}, (x - 3) / (w - 6.5f));
    } else if (x < w - 2.5f) {
        col = Colour{96, 12, 24};
    } else if (x < w - 1) {
        col = mix(Colour{255, 190, 110}, Colour{255, 155, 68}, (x - (w - 2.5f)) / 1.5f);
    } else {
        col = Colour{220, 118, 44};
    }
    // Lighter at the top, deeper towards the bottom.
    col = mix(col, Colour{col.r * 0.62f, col.g * 0.62f, col.b * 0.62f}, v * v);
    return mix(col, Colour{255, 246, 236}, clamp01(0.45f - v * 5));
}

// Both paddles: 12x80, rounded, fully opaque (black outside the rounded corners) so they
// look the same whether drawn with or without the mask.
static bool make_paddles(const std::string &dir)
{
    const int w = 12, h = 80;
    const float corner = 4;
    Canvas left = new_canvas(w, h);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            float r = 0, g = 0, b = 0;
            int inside = 0;
            for (int sy = 0; sy < SUPERSAMPLE; sy++) {
                for (int sx = 0; sx < SUPERSAMPLE; sx++) {
                    float fx = x + (sx + 0.5f) / SUPERSAMPLE, fy = y + (sy + 0.5f) / SUPERSAMPLE;
                    // Distance outside the rounded rectangle's inner core.
                    float qx = fmaxf(0.0f, fabsf(fx - w / 2.0f) - (w / 2.0f - corner));
                    float qy = fmaxf(0.0f, fabsf(fy - h / 2.0f) - (h / 2.0f - corner));
                    if (qx * qx + qy * qy > corner * corner)
                        continue;
                    Colour col = paddle_colour(fx, fy, w, h);
                    r += col.r;
                    g += col.g;
                    b += col.b;
                    inside++;
                }
            }
            float cov = inside / (float)(SUPERSAMPLE * SUPERSAMPLE);
            paint_over(&left, x, y, Colour{0, 0, 0}, 1);
            if (inside)
                paint_over(&left, x, y, Colour{r / inside, g / inside, b / inside}, cov);
        }
    }
    Canvas right = new_canvas(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            right.px[(size_t)y * w + x] = left.px[(size_t)y * w + (w - 1 - x)];
    return save_canvas_bmp(left, dir + "/paddle_left.bmp", -1) &&
           save_canvas_bmp(right, dir + "/paddle_right.bmp", -1);
}

bool make_sprites(const std::string &dir)
{
    return make_ball(dir) && make_cursor(dir) && make_paddles(dir);
}
