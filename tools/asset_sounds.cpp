// The two sound effects, synthesised: the ball's soft low "tock" on the top and bottom
// edges and the brighter "pock" of a paddle hit, both short mono 16-bit samples with
// smooth attacks and tails so that they never click.
#include "make_assets.h"

#include <cmath>

#define SAMPLE_RATE 22050

// A small repeatable noise source: the same sounds come out on every build.
static float noise(uint32_t *state)
{
    *state = *state * 1664525u + 1013904223u;
    return (float)((*state >> 8) & 0xffff) / 32768.0f - 1.0f;
}

// Scales the sound to the given peak and lays raised-cosine fades over its first
// rise_ms and its last fade_ms milliseconds, so it starts and ends at silence.
static void finish(std::vector<float> *s, float peak, float rise_ms, float fade_ms)
{
    float top = 0;
    for (float v : *s)
        top = fmaxf(top, fabsf(v));
    size_t rise = (size_t)(rise_ms * SAMPLE_RATE / 1000);
    size_t fade = (size_t)(fade_ms * SAMPLE_RATE / 1000);
    for (size_t i = 0; i < s->size(); i++) {
        float v = (*s)[i] * (top > 0 ? peak / top : 0);
        if (i < rise)
            v *= 0.5f - 0.5f * cosf((float)M_PI * i / rise);
        size_t from_end = s->size() - 1 - i;
        if (from_end < fade)
            v *= 0.5f - 0.5f * cosf((float)M_PI * from_end / fade);
        (*s)[i] = v;
    }
}

// The edge bounce: a low, round knock whose pitch drops quickly from 430 Hz to 170 Hz,
// with a muffled tap of noise at its start.
static std::vector<float> bounce_sound(void)
{
    const float length = 0.085f;
    size_t n = (size_t)(length * SAMPLE_RATE);
    std::vector<float> s(n);
    uint32_t seed = 12345;
    float phase = 0, tap = 0;
    for (size_t i = 0; i < n; i++) {
        float t = (float)i / SAMPLE_RATE;
        float freq = 170 + 260 * expf(-t / 0.006f);
        phase += 2 * (float)M_PI * freq / SAMPLE_RATE;
        float body = sinf(phase) + 0.18f * sinf(2 * phase);
        float env = (1 - expf(-t / 0.0015f)) * expf(-t / 0.02f);
        tap += 0.12f * (noise(&seed) - tap);  // one-pole low pass: a dull tap
        s[i] = body * env + 1.6f * tap * expf(-t / 0.003f);
    }
    finish(&s, 0.7f, 1.0f, 10);
    return s;
}

// The paddle hit: a bright, hollow knock near 1 kHz with an inharmonic overtone, started
// by a crisp click of high noise.
static std::vector<float> hit_sound(void)
{
    const float length = 0.11f;
    size_t n = (size_t)(length * SAMPLE_RATE);
    std::vector<float> s(n);
    uint32_t seed = 424242;
    float p1 = 0, p2 = 0, last = 0;
    for (size_t i = 0; i < n; i++) {
        float t = (float)i / SAMPLE_RATE;
        float freq = 1050 + 500 * expf(-t / 0.003f);
        p1 += 2 * (float)M_PI * freq / SAMPLE_RATE;
        p2 += 2 * (float)M_PI * freq * 2.71f / SAMPLE_RATE;
        float attack = 1 - expf(-t / 0.0004f);
        float body = sinf(p1) * expf(-t / 0.022f) + 0.45f * sinf(p2) * expf(-t / 0.007f);
        float white = noise(&seed);
        float click = (white - last) * expf(-t / 0.0015f);  // first difference: a high click
        last = white;
        s[i] = attack * body + 0.5f * click;
    }
    finish(&s, 0.8f, 0.4f, 12);
    return s;
}

bool make_sounds(const std::string &dir)
{
    return write_wav_mono16(dir + "/bounce.wav", SAMPLE_RATE, bounce_sound()) &&
           write_wav_mono16(dir + "/hit.wav", SAMPLE_RATE, hit_sound());
}
