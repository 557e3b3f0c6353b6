// The game's tune, composed here note by note and written as a format 1 Standard MIDI
// File: 32 bars of A minor at 140 beats a minute (about 55 seconds) that loop cleanly,
// with a square-wave lead, synth bass, electric piano off-beats, glockenspiel and drums.
#include "make_assets.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#define TICKS_PER_BEAT 96
#define EIGHTH (TICKS_PER_BEAT / 2)
#define BAR (TICKS_PER_BEAT * 4)
#define BAR_COUNT 32
#define TEMPO_BPM 140

// General MIDI programs and their channels: only programs that Debian's freepats set
// provides, so that the build finds every instrument of the tune there.
#define PROGRAM_SQUARE_LEAD 80
#define PROGRAM_SYNTH_BASS 38
#define PROGRAM_ELECTRIC_PIANO 4
#define PROGRAM_GLOCKENSPIEL 9
enum { CH_LEAD, CH_BASS, CH_KEYS, CH_BELLS, CH_DRUMS = 9 };

// Drum keys of channel 10 (all present in freepats' drum set 0).
#define KICK 36
#define SNARE 38
#define CLAP 39
#define HAT_CLOSED 42
#define HAT_OPEN 46
#define CRASH 49
#define TOM_HIGH 50
#define TOM_HIGH_MID 48
#define TOM_MID 47
#define TOM_LOW 45
#define TAMBOURINE 54

struct Note {
    int tick, length, channel, key, velocity;
};

// One chord of the progression: the bass root and a close triad around middle C.
struct Chord {
    const char *name;
    int root;
    int triad[3];
};

static const Chord chords[] = {
    {"Am", 45, {57, 60, 64}}, {"F", 41, {57, 60, 65}}, {"C", 48, {55, 60, 64}},
    {"G", 43, {55, 59, 62}},  {"E", 40, {56, 59, 64}}, {"Dm", 38, {57, 62, 65}},
};

// The chord of each bar: intro, theme, bridge, theme again, turnaround.
static const char *const bar_chords[BAR_COUNT] = {
    "Am", "F",  "C", "G",                                 // intro
    "Am", "F",  "C", "G", "Am", "F",  "G", "E",           // theme
    "Dm", "G",  "C", "Am", "Dm", "G", "E", "E",           // bridge
    "Am", "F",  "C", "G", "Am", "F",  "G", "E",           // theme again
    "Am", "F",  "G", "E",                                 // turnaround back to the top
};

// The lead, one string per bar: note name and octave (C4 is middle C) or r for a rest,
// then the length in eighths.
static const char *const theme[8] = {
    "E5:2 A5:1 E5:1 C5:1 D5:1 E5:2",   "F5:1 E5:1 D5:1 C5:1 A4:2 C5:2",
    "G5:2 E5:1 C5:1 G4:1 C5:1 E5:1 G5:1", "F5:2 D5:1 B4:1 G4:2 r:2",
    "E5:2 A5:1 B5:1 C6:2 B5:1 A5:1",   "A5:1 G5:1 F5:1 E5:1 F5:2 A5:2",
    "G5:1 F5:1 E5:1 D5:1 B4:2 D5:2",   "E5:3 G#5:1 B5:2 r:2",
};
static const char *const bridge[8] = {
    "D5:1 F5:1 A5:2 G5:1 F5:1 E5:1 F5:1", "D5:3 B4:1 G4:2 B4:1 D5:1",
    "E5:1 G5:1 C6:2 B5:1 G5:1 E5:1 G5:1", "A5:4 E5:2 C5:2",
    "F5:1 A5:1 D6:2 C6:1 A5:1 F5:1 A5:1", "B5:2 G5:1 D5:1 B4:1 D5:1 G5:1 B5:1",
    "G#5:2 B5:1 G#5:1 E5:2 D5:2",      "E5:1 F5:1 G#5:1 A5:1 B5:4",
};
static const char *const intro[4] = {"r:8", "r:8", "r:8", "r:4 A4:1 B4:1 C5:1 D5:1"};
static const char *const turnaround[4] = {
    "A5:2 E5:2 C5:2 E5:2", "F5:2 C5:2 A4:2 C5:2", "D5:2 B4:2 G4:2 B4:2", "E5:1 G#4:1 B4:1 E5:1 r:4",
};

static const Chord *chord_of_bar(int bar)
{
    for (const Chord &c : chords)
        if (strcmp(c.name, bar_chords[bar]) == 0)
            return &c;
    return &chords[0];
}

// Reads a note name such as "G#5" or "Bb4"; returns its MIDI key, or -1 for a rest.
static int parse_key(const char *text)
{
    static const int semitones[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (text[0] == 'r')
        return -1;
    int key = semitones[text[0] - 'A'];
    int i = 1;
    if (text[i] == '#')
        key++, i++;
    else if (text[i] == 'b')
        key--, i++;
    return key + 12 * (atoi(text + i) + 1);
}

// Adds the notes of one bar of a melody line starting at tick, each sounding for all but
// the last few ticks of its length; returns the number of eighths the bar spanned.
static int add_phrase(std::vector<Note> *notes, const char *phrase, int tick, int channel,
                      int transpose, int velocity)
{
    char word[16];
    int eighths = 0, used = 0;
    while (sscanf(phrase, " %15s%n", word, &used) == 1) {
        phrase += used;
        char *colon = strchr(word, ':');
        if (colon == NULL)
            continue;
        *colon = '\0';
        int length = atoi(colon + 1);
        int key = parse_key(word);
        if (key >= 0)
            notes->push_back(Note{tick + eighths * EIGHTH, length * EIGHTH - 6, channel,
                                  key + transpose, velocity});
        eighths += length;
    }
    return eighths;
}

// The lead line and, the second time the theme comes, the glockenspiel doubling it an
// octave up.  Bells play arpeggios under the intro.
static void compose_melody(std::vector<Note> *notes)
{
    for (int bar = 0; bar < BAR_COUNT; bar++) {
        int tick = bar * BAR;
        const char *line;
        if (bar < 4)
            line = intro[bar];
        else if (bar < 12)
            line = theme[bar - 4];
        else if (bar < 20)
            line = bridge[bar - 12];
        else if (bar < 28)
            line = theme[bar - 20];
        else
            line = turnaround[bar - 28];
        int eighths = add_phrase(notes, line, tick, CH_LEAD, 0, 100);
        if (eighths != 8)
            fprintf(stderr, "make_assets: bar %d of the lead has %d eighths\n", bar + 1, eighths);
        if (bar >= 20 && bar < 28)
            add_phrase(notes, line, tick, CH_BELLS, 12, 62);
        if (bar < 4) {
            static const int order[8] = {0, 1, 2, 3, 2, 1, 3, 2};
            const Chord *c = chord_of_bar(bar);
            for (int i = 0; i < 8; i++) {
                int k = order[i] == 3 ? c->triad[0] + 12 : c->triad[order[i]];
                notes->push_back(Note{tick + i * EIGHTH, EIGHTH - 4, CH_BELLS, k + 12, 50 + (i % 2 ? 0 : 10)});
            }
        }
    }
}

// Bass in driving eighths: octave jumps in the theme, a bouncing octave line in the
// bridge, plain roots to open the intro.
static void compose_bass(std::vector<Note> *notes)
{
    static const int theme_steps[8] = {0, 0, 12, 0, 0, 12, 0, 12};
    static const int bridge_steps[8] = {0, 12, 0, 12, 0, 12, 7, 12};
    for (int bar = 0; bar < BAR_COUNT; bar++) {
        const Chord *c = chord_of_bar(bar);
        const int *steps = bar >= 12 && bar < 20 ? bridge_steps : theme_steps;
        for (int i = 0; i < 8; i++) {
            int step = bar < 2 ? 0 : steps[i];
            int velocity = i % 2 == 0 ? 112 : 88;
            notes->push_back(Note{bar * BAR + i * EIGHTH, EIGHTH - 8, CH_BASS, c->root + step, velocity});
        }
    }
}

// Electric piano chords on every off-beat, from the third bar on.
static void compose_keys(std::vector<Note> *notes)
{
    for (int bar = 2; bar < BAR_COUNT; bar++) {
        const Chord *c = chord_of_bar(bar);
        for (int beat = 0; beat < 4; beat++)
            for (int k = 0; k < 3; k++)
                notes->push_back(Note{bar * BAR + beat * TICKS_PER_BEAT + EIGHTH, EIGHTH - 14,
                                      CH_KEYS, c->triad[k], beat % 2 ? 74 : 66});
    }
}

static void drum(std::vector<Note> *notes, int tick, int key, int velocity)
{
    notes->push_back(Note{tick, EIGHTH / 2, CH_DRUMS, key, velocity});
}

// Drums: a four-on-the-floor start, then kick and snare with eighth hats, a crash at
// each section, claps in the bridge, tambourine in the second theme and tom fills.
static void compose_drums(std::vector<Note> *notes)
{
    static const int fill[8] = {TOM_HIGH, TOM_HIGH, TOM_HIGH_MID, TOM_HIGH_MID,
                                TOM_MID,  TOM_MID,  TOM_LOW,      TOM_LOW};
    for (int bar = 0; bar < BAR_COUNT; bar++) {
        int t = bar * BAR;
        int section_start = bar == 0 || bar == 4 || bar == 12 || bar == 20 || bar == 28;
        int fill_bar = bar == 11 || bar == 19 || bar == 27 || bar == 31;
        int fill_from = fill_bar ? 4 : 8;  // eighth where the fill takes over

        for (int i = 0; i < 8 && i < fill_from; i++) {
            if (i == 0 && section_start)
                drum(notes, t, CRASH, 108);
            else if (i == 7 && bar % 2 == 1 && bar >= 2)
                drum(notes, t + i * EIGHTH, HAT_OPEN, 70);
            else
                drum(notes, t + i * EIGHTH, HAT_CLOSED, i % 2 ? 58 : 82);
        }
        if (bar < 2) {
            for (int beat = 0; beat < 4; beat++)
                drum(notes, t + beat * TICKS_PER_BEAT, KICK, 112);
            continue;
        }
        drum(notes, t, KICK, 118);
        drum(notes, t + TICKS_PER_BEAT, SNARE, 104);
        if (bar >= 12 && bar < 20)
            drum(notes, t + TICKS_PER_BEAT, CLAP, 84);
        if (bar >= 20 && bar < 28)
            for (int beat = 0; beat < 4; beat++)
                drum(notes, t + beat * TICKS_PER_BEAT + EIGHTH, TAMBOURINE, 60);
        if (fill_bar) {
            for (int i = 0; i < 8; i++)
                drum(notes, t + 2 * TICKS_PER_BEAT + i * EIGHTH / 2, fill[i], 80 + i * 4);
            drum(notes, t + 2 * TICKS_PER_BEAT, KICK, 110);
        } else if (bar == 3) {
            drum(notes, t + 2 * TICKS_PER_BEAT, KICK, 112);
            for (int i = 0; i < 4; i++)
                drum(notes, t + 3 * TICKS_PER_BEAT + i * EIGHTH / 2, SNARE, 70 + i * 12);
        } else {
            drum(notes, t + 2 * TICKS_PER_BEAT, KICK, 112);
            drum(notes, t + 2 * TICKS_PER_BEAT + EIGHTH, KICK, 90);
            drum(notes, t + 3 * TICKS_PER_BEAT, SNARE, 104);
            if (bar >= 12 && bar < 20)
                drum(notes, t + 3 * TICKS_PER_BEAT, CLAP, 84);
        }
    }
}

// A timed MIDI event: the bytes to send and its order among events at the same tick
// (set-up first, then note-offs, then note-ons).
struct Event {
    int tick;
    int order;
    std::vector<uint8_t> bytes;
};

static void put_varlen(std::vector<uint8_t> *out, uint32_t v)
{
    uint8_t buf[5];
    int n = 0;
    buf[n++] = v & 0x7f;
    while (v >>= 7)
        buf[n++] = 0x80 | (v & 0x7f);
    while (n > 0)
        out->push_back(buf[--n]);
}

static void put_be(std::vector<uint8_t> *out, uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; i--)
        out->push_back((uint8_t)(v >> (8 * i)));
}

static std::vector<uint8_t> meta_text(int type, const char *text)
{
    std::vector<uint8_t> e = {0xff, (uint8_t)type, (uint8_t)strlen(text)};
    for (const char *c = text; *c; c++)
        e.push_back((uint8_t)*c);
    return e;
}

// Sorts the events and appends them as an MTrk chunk ending exactly at end_tick.
static void put_track(std::vector<uint8_t> *file, std::vector<Event> events, int end_tick)
{
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> body;
    int now = 0;
    for (const Event &e : events) {
        put_varlen(&body, (uint32_t)(e.tick - now));
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        now = e.tick;
    }
    put_varlen(&body, (uint32_t)(end_tick - now));
    body.insert(body.end(), {0xff, 0x2f, 0x00});
    file->insert(file->end(), {'M', 'T', 'r', 'k'});
    put_be(file, (uint32_t)body.size(), 4);
    file->insert(file->end(), body.begin(), body.end());
}

// The mix.  The tune plays under the ball's bounce and the paddle hit, which the game
// plays at full volume, so every part sits well below them: each plays at a fifth or
// less of its composed velocities (14 to 16.5 dB down), the lead highest as it carries
// the tune, the drums and the keys' off-beat chords lowest as their attacks are the ones
// that would cover the two sounds.
//
// The library's software synthesiser makes a voice's volume 2 * velocity * (channel
// volume + 1) / 128, a straight line, so a part's level is set on the velocities alone:
// each note's composed velocity is scaled by the part's level in percent.  The channel
// volume (CC7) stays at 127 on every track.  The library resets every channel to that
// volume when the tune starts and each time it loops, and applies a CC7 only once the
// notes of its tick have started, re-levelling the voices already sounding but never a
// drum hit: with a lower CC7, the crash and kick that open each pass would sound at the
// full level.
#define CHANNEL_VOLUME 127
#define LEVEL_LEAD 20
#define LEVEL_BASS 17
#define LEVEL_KEYS 15
#define LEVEL_BELLS 17
#define LEVEL_DRUMS 15

// The velocity a composed velocity is played at in a part of the given level (a note
// never falls silent).
static int mixed_velocity(int velocity, int level)
{
    return std::max(1, (velocity * level + 50) / 100);
}

// The events of one instrument's track: its name, program, volume, pan and notes, the
// notes at the part's level.
static std::vector<Event> channel_track(const std::vector<Note> &notes, int channel,
                                        const char *name, int program, int level, int pan)
{
    std::vector<Event> ev;
    ev.push_back(Event{0, 0, meta_text(0x03, name)});
    if (program >= 0)
        ev.push_back(Event{0, 0, {(uint8_t)(0xc0 | channel), (uint8_t)program}});
    ev.push_back(Event{0, 0, {(uint8_t)(0xb0 | channel), 7, CHANNEL_VOLUME}});
    ev.push_back(Event{0, 0, {(uint8_t)(0xb0 | channel), 10, (uint8_t)pan}});
    for (const Note &n : notes) {
        if (n.channel != channel)
            continue;
        uint8_t velocity = (uint8_t)mixed_velocity(n.velocity, level);
        ev.push_back(Event{n.tick, 2, {(uint8_t)(0x90 | channel), (uint8_t)n.key, velocity}});
        ev.push_back(Event{n.tick + n.length, 1, {(uint8_t)(0x80 | channel), (uint8_t)n.key, 64}});
    }
    return ev;
}

bool make_music(const std::string &dir)
{
    std::vector<Note> notes;
    compose_melody(&notes);
    compose_bass(&notes);
    compose_keys(&notes);
    compose_drums(&notes);
    const int end = BAR_COUNT * BAR;

    std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
    put_be(&file, 6, 4);
    put_be(&file, 1, 2);  // format 1: a conductor track and one track per instrument
    put_be(&file, 6, 2);
    put_be(&file, TICKS_PER_BEAT, 2);

    std::vector<Event> conductor;
    conductor.push_back(Event{0, 0, meta_text(0x03, "Tabrivet")});
    conductor.push_back(Event{0, 0, {0xff, 0x58, 0x04, 4, 2, 24, 8}});  // 4/4
    uint32_t usec = 60000000u / TEMPO_BPM;
    conductor.push_back(Event{0, 0, {0xff, 0x51, 0x03, (uint8_t)(usec >> 16), (uint8_t)(usec >> 8), (uint8_t)usec}});
    put_track(&file, conductor, end);

    put_track(&file, channel_track(notes, CH_LEAD, "Lead", PROGRAM_SQUARE_LEAD, LEVEL_LEAD, 64), end);
    put_track(&file, channel_track(notes, CH_BASS, "Bass", PROGRAM_SYNTH_BASS, LEVEL_BASS, 64), end);
    put_track(&file, channel_track(notes, CH_KEYS, "Keys", PROGRAM_ELECTRIC_PIANO, LEVEL_KEYS, 44), end);
    put_track(&file, channel_track(notes, CH_BELLS, "Bells", PROGRAM_GLOCKENSPIEL, LEVEL_BELLS, 86), end);
    put_track(&file, channel_track(notes, CH_DRUMS, "Drums", -1, LEVEL_DRUMS, 64), end);
    return write_file(dir + "/music.mid", file);
}
