// The application icon at 32, 48, 64 and 128 pixels, and at 192 and 512 for the web page's
// home-screen icon: the ball flying between two paddles on a dark rounded tile edged in
// the menu's orange, rendered with supersampling and saved as RGBA PNG, at 48 pixels as
// XPM data that the game compiles in for its X window, and as a Windows icon file for the
// Windows program.
#include "make_assets.h"

#include <cmath>
#include <cstdio>
#include <map>

// A colour with straight (not premultiplied) opacity, channels 0..255 and 0..1.
struct Sample {
    Colour c;
    float a;
};

// Lays a colour over a sample with the given opacity.
static void over(Sample *s, Colour c, float a)
{
    float out = a + s->a * (1 - a);
    if (out <= 0)
        return;
    float keep = s->a * (1 - a);
    s->c = Colour{(c.r * a + s->c.r * keep) / out, (c.g * a + s->c.g * keep) / out,
                  (c.b * a + s->c.b * keep) / out};
    s->a = out;
}

// Signed distance from (x, y) to a rectangle with rounded corners (negative inside).
static float rounded_box(float x, float y, float x0, float y0, float x1, float y1, float r)
{
    float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    float qx = fabsf(x - cx) - ((x1 - x0) / 2 - r);
    float qy = fabsf(y - cy) - ((y1 - y0) / 2 - r);
    float ox = fmaxf(qx, 0.0f), oy = fmaxf(qy, 0.0f);
    return sqrtf(ox * ox + oy * oy) + fminf(fmaxf(qx, qy), 0.0f) - r;
}

// A paddle from x0 to x1: red body, orange rubber on the side facing the middle.
static void paddle(Sample *s, float x, float y, float x0, float y0, float x1, float y1, int face_right)
{
    if (rounded_box(x, y, x0, y0, x1, y1, (x1 - x0) * 0.35f) > 0)
        return;
    float u = (x - x0) / (x1 - x0);
    if (!face_right)
        u = 1 - u;
    float v = (y - y0) / (y1 - y0);
    Colour col = u > 0.62f ? Colour{255, 155, 68} : Colour{255, 64, 64};
    if (u > 0.18f && u < 0.36f)
        col = mix(col, Colour{255, 230, 214}, 0.5f);
    col = mix(col, Colour{col.r * 0.55f, col.g * 0.55f, col.b * 0.55f}, v * 0.7f);
    over(s, col, 1);
}

// A lit orange ball of radius r at (bx, by).
static void ball(Sample *s, float x, float y, float bx, float by, float r, float alpha)
{
    float dx = (x - bx) / r, dy = (y - by) / r;
    float d2 = dx * dx + dy * dy;
    if (d2 > 1)
        return;
    float nz = sqrtf(1 - d2);
    float diffuse = fmaxf(0.0f, -0.48f * dx - 0.58f * dy + 0.66f * nz);
    Colour col = mix(Colour{225, 50, 50}, Colour{255, 160, 72}, clamp01(nz * 1.6f));
    col = Colour{fminf(255.0f, col.r * (0.35f + 0.8f * diffuse)),
                 fminf(255.0f, col.g * (0.35f + 0.8f * diffuse)),
                 fminf(255.0f, col.b * (0.35f + 0.8f * diffuse))};
    float gx = dx + 0.38f, gy = dy + 0.42f;
    float glint = clamp01(1 - sqrtf(gx * gx + gy * gy) * 2.6f);
    over(s, mix(col, Colour{255, 255, 246}, glint), alpha);
}

// The icon's picture at (x, y), both 0..1 over the whole square.
static Sample icon_sample(float x, float y)
{
    Sample s = {Colour{0, 0, 0}, 0};
    float tile = rounded_box(x, y, 0.03f, 0.03f, 0.97f, 0.97f, 0.19f);
    if (tile > 0)
        return s;
    over(&s, mix(Colour{52, 22, 56}, Colour{8, 6, 16}, y), 1);

    // A few stars, and the dashed net down the middle.
    static const float stars[][3] = {{0.2f, 0.13f, 0.011f}, {0.7f, 0.17f, 0.014f},
                                     {0.38f, 0.8f, 0.012f},  {0.86f, 0.3f, 0.009f},
                                     {0.12f, 0.78f, 0.01f},  {0.62f, 0.88f, 0.011f}};
    for (const auto &st : stars) {
        float dx = x - st[0], dy = y - st[1];
        if (dx * dx + dy * dy < st[2] * st[2])
            over(&s, Colour{255, 236, 210}, 0.8f);
    }
    if (fabsf(x - 0.5f) < 0.012f && fmodf(y + 0.02f, 0.1f) < 0.055f)
        over(&s, Colour{255, 155, 68}, 0.35f);

    paddle(&s, x, y, 0.13f, 0.2f, 0.24f, 0.6f, 1);
    paddle(&s, x, y, 0.76f, 0.42f, 0.87f, 0.82f, 0);
    // The ball just left the left paddle: a fading trail behind it.
    for (int i = 0; i < 4; i++) {
        float t = i / 4.0f;
        ball(&s, x, y, 0.31f + t * 0.22f, 0.47f - t * 0.06f, 0.03f + t * 0.035f, 0.18f + t * 0.3f);
    }
    ball(&s, x, y, 0.6f, 0.39f, 0.1f, 1);

    // The tile's edge: orange at the top turning red at the bottom.
    if (tile > -0.035f)
        over(&s, mix(Colour{255, 155, 68}, Colour{255, 64, 64}, y), 1);
    return s;
}

// Renders one size of the icon with 6x6 samples per pixel into RGBA bytes.
static std::vector<uint8_t> render_icon(int size)
{
    const int n = 6;
    std::vector<uint8_t> rgba((size_t)size * size * 4);
    for (int py = 0; py < size; py++) {
        for (int px = 0; px < size; px++) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < n; sy++) {
                for (int sx = 0; sx < n; sx++) {
                    Sample s = icon_sample((px + (sx + 0.5f) / n) / size, (py + (sy + 0.5f) / n) / size);
                    r += s.c.r * s.a;
                    g += s.c.g * s.a;
                    b += s.c.b * s.a;
                    a += s.a;
                }
            }
            uint8_t *out = &rgba[((size_t)py * size + px) * 4];
            out[0] = a > 0 ? (uint8_t)lroundf(fminf(255.0f, r / a)) : 0;
            out[1] = a > 0 ? (uint8_t)lroundf(fminf(255.0f, g / a)) : 0;
            out[2] = a > 0 ? (uint8_t)lroundf(fminf(255.0f, b / a)) : 0;
            out[3] = (uint8_t)lroundf(a / (n * n) * 255);
        }
    }
    return rgba;
}

#define XPM_ICON_SIZE 48
#define XPM_ICON_NAME "tabrivet_icon_xpm"

// Writes an RGBA picture as XPM 3 data, which is also C source declaring XPM_ICON_NAME:
// each distinct colour gets a code of the fewest characters that tell them all apart, and
// pixels less than half opaque are transparent ("None"), since XPM knows no partial opacity.
static bool write_xpm(const std::string &path, int size, const std::vector<uint8_t> &rgba)
{
    static const char digits[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ+-";
    const unsigned base = sizeof digits - 1;
    std::map<unsigned, unsigned> index;  // colour 0xRRGGBB, or ~0u for None -> its number
    std::vector<unsigned> colours((size_t)size * size);
    for (size_t i = 0; i < colours.size(); i++) {
        const uint8_t *p = &rgba[i * 4];
        colours[i] = p[3] < 128 ? ~0u : ((unsigned)p[0] << 16 | (unsigned)p[1] << 8 | p[2]);
        index.emplace(colours[i], 0);
    }
    unsigned width = 1;
    for (unsigned codes = base; codes < index.size(); codes *= base)
        width++;
    unsigned next = 0;
    for (auto &entry : index)
        entry.second = next++;
    auto code = [&](unsigned n) {
        std::string c(width, digits[0]);
        for (unsigned k = width; k-- > 0; n /= base)
            c[k] = digits[n % base];
        return c;
    };

    std::string text = "/* XPM */\nstatic const char *" XPM_ICON_NAME "[] = {\n";
    char line[64];
    snprintf(line, sizeof line, "\"%d %d %zu %u\",\n", size, size, index.size(), width);
    text += line;
    for (const auto &entry : index) {
        if (entry.first == ~0u)
            snprintf(line, sizeof line, "\"%s c None\",\n", code(entry.second).c_str());
        else
            snprintf(line, sizeof line, "\"%s c #%06X\",\n", code(entry.second).c_str(),
                     entry.first);
        text += line;
    }
    for (int y = 0; y < size; y++) {
        text += '"';
        for (int x = 0; x < size; x++)
            text += code(index[colours[(size_t)y * size + x]]);
        text += y + 1 < size ? "\",\n" : "\"\n";
    }
    text += "};\n";
    return write_file(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool make_icons(const std::string &dir)
{
    // Each size is rendered once: PNG files for the desktop from 32 pixels up, XPM data for
    // the X window at 48, and all of them, down to a title bar's 16, in the Windows icon.
    const std::vector<int> sizes = {16, 32, 48, 64, 128};
    std::vector<std::vector<uint8_t>> pngs;
    for (int size : sizes) {
        const std::vector<uint8_t> rgba = render_icon(size);
        pngs.push_back(png_rgba(size, size, rgba));
        char name[32];
        snprintf(name, sizeof name, "/icon-%d.png", size);
        if (size >= 32 && !write_file(dir + name, pngs.back()))
            return false;
        if (size == XPM_ICON_SIZE && !write_xpm(dir + "/icon.xpm", size, rgba))
            return false;
    }
    // A phone's home screen and the splash of an installed web page take the large ones.
    for (int size : {192, 512}) {
        char name[32];
        snprintf(name, sizeof name, "/icon-%d.png", size);
        if (!write_file(dir + name, png_rgba(size, size, render_icon(size))))
            return false;
    }
    return write_ico(dir + "/tabrivet.ico", sizes, pngs);
}
