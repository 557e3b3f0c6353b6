// The lettered pictures: the title logo over the stars (masked, 640 wide) and the pause
// box with its two buttons, both lettered in the game's own chrome stroke capitals.
#include "make_assets.h"

#include <cmath>
#include <cstdio>

static const Colour menu_orange = {255, 155, 68};
static const Colour menu_red = {255, 64, 64};

// How chrome letters are dressed: pen radius, dark outline, depth of the 3-D extrusion.
struct LetterStyle {
    float radius;
    float outline;
    int depth;
};

// Colour of the letter face at height t (0 top of the letters, 1 their baseline): pale
// gold down to orange, then a sharp step into red, like polished metal under a horizon.
static Colour chrome_at(float t)
{
    if (t < 0.52f)
        return mix(Colour{255, 246, 178}, Colour{255, 172, 80}, t / 0.52f);
    return mix(Colour{255, 122, 62}, Colour{228, 44, 58}, (t - 0.52f) / 0.48f);
}

// Paints stroked letters: a dark red extrusion towards the lower right, a near-black
// outline, the chrome face and a glint on the edges that face the upper left.
static void paint_chrome_letters(Canvas *c, const std::vector<Segment> &segments,
                                 const LetterStyle &style, float top, float height)
{
    std::vector<float> d = distance_field(c->w, c->h, segments);
    float r = style.radius;
    float edge = r + style.outline;
    for (int y = 0; y < c->h; y++) {
        for (int x = 0; x < c->w; x++) {
            // Extrusion: the outlined shape moved 1..depth pixels down and right.
            float depth_cov = 0;
            int nearest = 0;
            for (int k = style.depth; k >= 1; k--) {
                int sx = x - k, sy = y - k;
                if (sx < 0 || sy < 0)
                    continue;
                float cov = clamp01(edge - d[(size_t)sy * c->w + sx] + 0.5f);
                if (cov > 0) {
                    depth_cov = fmaxf(depth_cov, cov);
                    nearest = k;
                }
            }
            if (depth_cov > 0) {
                float t = style.depth > 1 ? (nearest - 1) / (float)(style.depth - 1) : 0;
                paint_over(c, x, y, mix(Colour{150, 26, 34}, Colour{58, 4, 16}, t), depth_cov);
            }

            float dist = d[(size_t)y * c->w + x];
            paint_over(c, x, y, Colour{26, 4, 10}, edge - dist + 0.5f);

            float face = clamp01(r - dist + 0.5f);
            if (face <= 0)
                continue;
            float t = clamp01((y + 0.5f - top) / height);
            Colour col = chrome_at(t);
            // The field's slope points away from the stroke's spine: light from the upper left.
            if (x > 0 && y > 0 && x + 1 < c->w && y + 1 < c->h) {
                float gx = d[(size_t)y * c->w + x + 1] - d[(size_t)y * c->w + x - 1];
                float gy = d[(size_t)(y + 1) * c->w + x] - d[(size_t)(y - 1) * c->w + x];
                float len = sqrtf(gx * gx + gy * gy);
                if (len > 0 && dist > r * 0.45f) {
                    float facing = (-gx - gy) / (len * 1.4142f);
                    float rim = clamp01((dist - r * 0.45f) / (r * 0.55f));
                    if (facing > 0)
                        col = mix(col, Colour{255, 255, 236}, 0.75f * facing * rim);
                    else
                        col = mix(col, Colour{120, 20, 30}, 0.45f * -facing * rim);
                }
            }
            paint_over(c, x, y, col, face);
        }
    }
}

// A soft horizontal rule fading out towards its far end (dir -1: fades to the left).
static void paint_rule(Canvas *c, int x0, int x1, int y, int dir, Colour colour)
{
    for (int x = x0; x <= x1; x++) {
        float t = (x - x0) / (float)(x1 - x0);
        float fade = dir < 0 ? t : 1 - t;
        paint_over(c, x, y, colour, fade);
        paint_over(c, x, y + 1, mix(colour, Colour{0, 0, 0}, 0.45f), fade);
    }
}

// A shaded disc: the ball as it appears in the title, lit from the upper left.
static void paint_ball(Canvas *c, float cx, float cy, float radius, float alpha)
{
    for (int y = (int)(cy - radius - 1); y <= (int)(cy + radius + 1); y++) {
        for (int x = (int)(cx - radius - 1); x <= (int)(cx + radius + 1); x++) {
            float dx = (x + 0.5f - cx) / radius, dy = (y + 0.5f - cy) / radius;
            float d = sqrtf(dx * dx + dy * dy);
            float cov = clamp01((1 - d) * radius + 0.5f);
            if (cov <= 0)
                continue;
            float lit = clamp01(1 - sqrtf((dx + 0.4f) * (dx + 0.4f) + (dy + 0.4f) * (dy + 0.4f)));
            Colour col = mix(Colour{200, 60, 30}, menu_orange, clamp01(1.4f - d));
            col = mix(col, Colour{255, 250, 230}, lit * lit);
            paint_over(c, x, y, col, cov * alpha);
        }
    }
}

// A small upright paddle as drawn in the title: red body, orange face, light edge.
static void paint_paddle(Canvas *c, int x0, int y0, int w, int h, int face_right)
{
    for (int y = y0; y < y0 + h; y++) {
        for (int x = x0; x < x0 + w; x++) {
            int col_in = face_right ? x - x0 : x0 + w - 1 - x;
            float v = (y - y0) / (float)(h - 1);
            Colour col = mix(Colour{255, 96, 80}, Colour{190, 30, 44}, v);
            if (col_in >= w - 2)
                col = mix(menu_orange, Colour{230, 110, 40}, v);
            if (col_in == 1)
                col = mix(col, Colour{255, 230, 210}, 0.5f);
            float corner = (y == y0 || y == y0 + h - 1) && (col_in == 0 || col_in == w - 1) ? 0.4f : 1;
            paint_over(c, x, y, col, corner);
        }
    }
}

bool make_logo(const std::string &dir)
{
    const int w = 640, h = 214;
    Canvas c = new_canvas(w, h);

    const char *title = "TABRIVET";
    const float cap = 86, slant = 0.17f;
    LetterStyle style = {7.0f, 3.0f, 7};
    float width = stroke_text_width(title, cap, slant, style.radius) + style.depth;
    float x = (w - width) / 2;
    float baseline = 22 + cap;
    std::vector<Segment> strokes;
    stroke_text(&strokes, title, x, baseline, cap, slant, style.radius);
    paint_chrome_letters(&c, strokes, style, baseline - cap, cap);

    // The subtitle between two rules, in the menu's own lettering and colours.
    const char *subtitle = "TENNIS DE TABLE ARCADE";
    int sub_w = font_text_width(subtitle, 2);
    int sub_x = (w - sub_w) / 2, sub_y = 138;
    font_text(&c, subtitle, sub_x, sub_y, 2, Colour{255, 190, 110}, menu_red, 2);
    paint_rule(&c, 40, sub_x - 14, sub_y + 7, -1, menu_orange);
    paint_rule(&c, sub_x + sub_w + 12, w - 41, sub_y + 7, 1, menu_orange);

    // A rally underneath: two paddles and the ball with the dotted path it came along.
    paint_paddle(&c, 168, 166, 8, 40, 1);
    paint_paddle(&c, 464, 172, 8, 40, 0);
    const float from_x = 182, to_x = 412, path_y = 186, rise = 18;
    for (int i = 0; i < 12; i++) {
        float t = i / 12.0f;
        float bx = from_x + t * (to_x - from_x), by = path_y - rise * 4 * t * (1 - t);
        paint_ball(&c, bx, by, 1.3f + 2.2f * t, 0.2f + 0.6f * t);
    }
    paint_ball(&c, to_x, path_y, 7, 1);

    return save_canvas_bmp(c, dir + "/logo.bmp", 0.3f);
}

// Draws one button exactly over columns x0..x1 and rows y0..y1: a light frame on
// those outer pixels, a shaded face inside and the label in the middle.
static void paint_button(Canvas *c, int x0, int y0, int x1, int y1, Colour face_top,
                         Colour face_bottom, const char *label)
{
    const Colour rim = {255, 228, 196};
    for (int y = y0; y <= y1; y++) {
        for (int x = x0; x <= x1; x++) {
            Colour col;
            if (x == x0 || x == x1 || y == y0 || y == y1)
                col = rim;
            else if (y == y0 + 1)
                col = mix(face_top, Colour{255, 255, 255}, 0.45f);
            else
                col = mix(face_top, face_bottom, (y - y0 - 2) / (float)(y1 - y0 - 3));
            paint_over(c, x, y, col, 1);
        }
    }
    int tx = x0 + (x1 - x0 + 1 - font_text_width(label, 1)) / 2;
    int ty = y0 + (y1 - y0 + 1 - 8) / 2;
    font_text(c, label, tx, ty, 1, Colour{255, 255, 255}, Colour{255, 240, 214}, 1);
}

bool make_pause_box(const std::string &dir)
{
    const int w = 284, h = 118;
    Canvas c = new_canvas(w, h);

    // Opaque dark background, then the frame on the outermost ring.
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            paint_over(&c, x, y, mix(Colour{34, 16, 34}, Colour{8, 6, 14}, y / (float)(h - 1)), 1);
    for (int x = 0; x < w; x++) {
        paint_over(&c, x, 0, menu_orange, 1);
        paint_over(&c, x, h - 1, menu_orange, 1);
    }
    for (int y = 0; y < h; y++) {
        paint_over(&c, 0, y, menu_orange, 1);
        paint_over(&c, w - 1, y, menu_orange, 1);
    }
    for (int x = 2; x < w - 2; x++)
        paint_over(&c, x, 2, menu_red, 0.5f);

    const char *heading = "PAUSE";
    const float cap = 28, slant = 0.12f;
    LetterStyle style = {2.6f, 1.4f, 2};
    float width = stroke_text_width(heading, cap, slant, style.radius) + style.depth;
    float baseline = 10 + cap;
    std::vector<Segment> strokes;
    stroke_text(&strokes, heading, (w - width) / 2, baseline, cap, slant, style.radius);
    paint_chrome_letters(&c, strokes, style, baseline - cap, cap);

    paint_rule(&c, 24, w / 2 - 1, 50, -1, menu_red);
    paint_rule(&c, w / 2, w - 25, 50, 1, menu_red);

    const char *question = "Quitter la partie ?";
    font_text(&c, question, (w - font_text_width(question, 1)) / 2, 66, 1, Colour{255, 236, 214},
              Colour{255, 186, 140}, 1);

    paint_button(&c, 1, 95, 138, 116, Colour{255, 84, 78}, Colour{168, 22, 40}, "Quitter");
    paint_button(&c, 145, 95, 282, 116, Colour{255, 170, 84}, Colour{204, 92, 28}, "Reprendre");

    return save_canvas_bmp(c, dir + "/pause.bmp", -1);
}
