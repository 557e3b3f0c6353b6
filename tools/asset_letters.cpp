// The game's own stroke letters: each capital is a few lines and arcs on a 12-unit-high
// grid, drawn with round pens, so the title and headings scale to any size smoothly.
// Also the distance field that turns the strokes into anti-aliased pixels.
#include "make_assets.h"

#include <cmath>
#include <cstring>

#define GRID_HEIGHT 12.0f
#define LETTER_GAP 3.6f  // advance beyond a letter's width, in grid units

struct Point {
    float x, y;
};

// One letter: its strokes in grid units (y downwards, baseline at 12) and its width.
struct Glyph {
    std::vector<std::vector<Point>> paths;
    float width;
};

// Appends an elliptic arc from angle a0 to a1 (degrees, y downwards, so 270 is the top).
static void arc(std::vector<Point> *path, float cx, float cy, float rx, float ry, float a0,
                float a1)
{
    int steps = (int)(fabsf(a1 - a0) / 10.0f) + 2;
    for (int i = 0; i <= steps; i++) {
        float a = (a0 + (a1 - a0) * i / steps) * (float)M_PI / 180.0f;
        path->push_back(Point{cx + rx * cosf(a), cy + ry * sinf(a)});
    }
}

// Builds the strokes of one capital; unknown characters (and space) are blank.
static Glyph glyph_for(char c)
{
    Glyph g;
    g.width = 8;
    std::vector<Point> p;
    switch (c) {
    case 'A':
        p = {{0, 12}, {0, 4}};
        arc(&p, 4, 4, 4, 4, 180, 360);
        p.push_back({8, 12});
        g.paths.push_back(p);
        g.paths.push_back({{0, 7.5f}, {8, 7.5f}});
        break;
    case 'B':
        p = {{0, 6}, {0, 0}, {4.2f, 0}};
        arc(&p, 4.2f, 3, 3, 3, -90, 90);
        p.push_back({0, 6});
        g.paths.push_back(p);
        p = {{0, 6}, {4.8f, 6}};
        arc(&p, 4.8f, 9, 3.2f, 3, -90, 90);
        p.push_back({0, 12});
        p.push_back({0, 6});
        g.paths.push_back(p);
        break;
    case 'E':
        g.paths.push_back({{8, 0}, {0, 0}, {0, 12}, {8, 12}});
        g.paths.push_back({{0, 6}, {6.2f, 6}});
        break;
    case 'I':
        g.width = 3.6f;
        g.paths.push_back({{1.8f, 0}, {1.8f, 12}});
        g.paths.push_back({{0, 0}, {3.6f, 0}});
        g.paths.push_back({{0, 12}, {3.6f, 12}});
        break;
    case 'P':
    case 'R':
        p = {{0, 12}, {0, 0}, {4.5f, 0}};
        arc(&p, 4.5f, 3.25f, 3.5f, 3.25f, -90, 90);
        p.push_back({0, 6.5f});
        g.paths.push_back(p);
        if (c == 'R')
            g.paths.push_back({{4.2f, 6.5f}, {8, 12}});
        break;
    case 'S':
        arc(&p, 4, 3, 4, 3, -25, -270);
        arc(&p, 4, 9, 4, 3, -90, 155);
        g.paths.push_back(p);
        break;
    case 'T':
        g.paths.push_back({{0, 0}, {8, 0}});
        g.paths.push_back({{4, 0}, {4, 12}});
        break;
    case 'U':
        p = {{0, 0}, {0, 8}};
        arc(&p, 4, 8, 4, 4, 180, 0);
        p.push_back({8, 0});
        g.paths.push_back(p);
        break;
    case 'V':
        g.paths.push_back({{0, 0}, {4, 12}, {8, 0}});
        break;
    default:
        g.width = 5;
        break;
    }
    return g;
}

// Lays the text out; appends segments when out is not NULL.  Returns the inked width.
static float lay_out(std::vector<Segment> *out, const char *text, float x, float y,
                     float cap_height, float slant, float stroke_radius)
{
    float scale = (cap_height - 2 * stroke_radius) / GRID_HEIGHT;
    float pen = stroke_radius;  // the first stroke's round end starts at x
    float right = 0;
    size_t n = strlen(text);
    for (size_t i = 0; i < n; i++) {
        Glyph g = glyph_for(text[i]);
        for (const std::vector<Point> &path : g.paths) {
            for (size_t k = 0; k + 1 < path.size(); k++) {
                Point a = path[k], b = path[k + 1];
                // Letters stand on y; the stroke pens reach stroke_radius below it.
                float ay = y - stroke_radius - (GRID_HEIGHT - a.y) * scale;
                float by = y - stroke_radius - (GRID_HEIGHT - b.y) * scale;
                float ax = x + pen + a.x * scale + slant * (y - ay);
                float bx = x + pen + b.x * scale + slant * (y - by);
                if (out)
                    out->push_back(Segment{ax, ay, bx, by});
            }
        }
        right = pen + g.width * scale;
        pen += (g.width + LETTER_GAP) * scale;
    }
    return right + stroke_radius + slant * cap_height;
}

float stroke_text(std::vector<Segment> *out, const char *text, float x, float y,
                  float cap_height, float slant, float stroke_radius)
{
    return lay_out(out, text, x, y, cap_height, slant, stroke_radius);
}

float stroke_text_width(const char *text, float cap_height, float slant, float stroke_radius)
{
    return lay_out(NULL, text, 0, 0, cap_height, slant, stroke_radius);
}

// Distance from point (px, py) to the segment s.
static float segment_distance(const Segment &s, float px, float py)
{
    float dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((px - s.x0) * dx + (py - s.y0) * dy) / len2 : 0;
    t = clamp01(t);
    float ex = s.x0 + t * dx - px, ey = s.y0 + t * dy - py;
    return sqrtf(ex * ex + ey * ey);
}

std::vector<float> distance_field(int w, int h, const std::vector<Segment> &segments)
{
    std::vector<float> field((size_t)w * h, 1e9f);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            float best = 1e9f;
            for (const Segment &s : segments) {
                float d = segment_distance(s, x + 0.5f, y + 0.5f);
                if (d < best)
                    best = d;
            }
            field[(size_t)y * w + x] = best;
        }
    }
    return field;
}
