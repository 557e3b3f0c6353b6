// Checks the data file the build packs from the asset program's output: the nine objects
// in the game's order, the start-up check accepting them, the pictures' sizes and shapes,
// the pause box's buttons, the samples, the tune's length and its patch set, and the icons.
#include <gtest/gtest.h>

#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "shell/game.h"

class DataFile : public ::testing::Test {
protected:
    static DATAFILE *data;

    static void SetUpTestSuite() { data = load_datafile(TABRIVET_DATA_PATH); }

    static void TearDownTestSuite()
    {
        if (data)
            unload_datafile(data);
        data = NULL;
    }

    void SetUp() override { ASSERT_NE(data, nullptr) << "cannot load " TABRIVET_DATA_PATH; }

    static BITMAP *bitmap(int index) { return (BITMAP *)data[index].dat; }
};

DATAFILE *DataFile::data = NULL;

TEST_F(DataFile, HoldsTheNineObjectsInOrderAndPassesTheStartUpCheck)
{
    static const int types[DAT_OBJECT_COUNT] = {
        DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP,
        DAT_BITMAP, DAT_SAMPLE, DAT_SAMPLE, DAT_MIDI,
    };
    int count = 0;
    while (data[count].type != DAT_END)
        count++;
    ASSERT_EQ(count, DAT_OBJECT_COUNT);
    for (int i = 0; i < DAT_OBJECT_COUNT; i++) {
        EXPECT_EQ(data[i].type, types[i]) << "object " << i;
        EXPECT_NE(data[i].dat, nullptr) << "object " << i;
    }
    EXPECT_EQ(check_assets(data), 1);

    // The check is not a formality: the same objects with two of them swapped fail it.
    DATAFILE swapped[DAT_OBJECT_COUNT + 1];
    memcpy(swapped, data, sizeof swapped);
    std::swap(swapped[DAT_INDEX_HIT], swapped[DAT_INDEX_MUSIC]);
    EXPECT_EQ(check_assets(swapped), 0);
}

TEST_F(DataFile, PicturesHaveTheirSizesAndThePaddlesMirrorEachOther)
{
    BITMAP *pause = bitmap(DAT_INDEX_PAUSE);
    EXPECT_EQ(pause->w, 284);
    EXPECT_EQ(pause->h, 118);

    BITMAP *logo = bitmap(DAT_INDEX_LOGO);
    EXPECT_EQ(logo->w, 640);
    EXPECT_LT(logo->h, 250);
    EXPECT_GT(logo->h, 60);

    BITMAP *left = bitmap(DAT_INDEX_PADDLE_LEFT);
    BITMAP *right = bitmap(DAT_INDEX_PADDLE_RIGHT);
    EXPECT_EQ(left->h, 80);
    EXPECT_LE(left->w, 16);
    ASSERT_EQ(right->w, left->w);
    ASSERT_EQ(right->h, left->h);
    int differing = 0, asymmetric = 0;
    for (int y = 0; y < left->h; y++) {
        for (int x = 0; x < left->w; x++) {
            if (getpixel(left, x, y) != getpixel(right, left->w - 1 - x, y))
                differing++;
            if (getpixel(left, x, y) != getpixel(left, left->w - 1 - x, y))
                asymmetric++;
        }
    }
    EXPECT_EQ(differing, 0) << "the right paddle is not the left one mirrored";
    // A paddle that is symmetric itself would make the mirror check prove nothing.
    EXPECT_GT(asymmetric, 0);
}

TEST_F(DataFile, BallIsRoundAndTheCursorTipIsItsTopLeftPixel)
{
    BITMAP *ball = bitmap(DAT_INDEX_BALL);
    int mask = bitmap_mask_color(ball);
    EXPECT_GE(ball->w, 12);
    EXPECT_LE(ball->w, 20);
    EXPECT_EQ(ball->w, ball->h);
    EXPECT_EQ(getpixel(ball, 0, 0), mask);
    EXPECT_EQ(getpixel(ball, ball->w - 1, 0), mask);
    EXPECT_EQ(getpixel(ball, 0, ball->h - 1), mask);
    EXPECT_EQ(getpixel(ball, ball->w - 1, ball->h - 1), mask);
    EXPECT_NE(getpixel(ball, ball->w / 2, ball->h / 2), mask);
    // Round, not a square: the middles of the edges are drawn, the corners are not.
    EXPECT_NE(getpixel(ball, ball->w / 2, 1), mask);
    EXPECT_NE(getpixel(ball, 1, ball->h / 2), mask);

    BITMAP *cursor = bitmap(DAT_INDEX_CURSOR);
    EXPECT_NE(getpixel(cursor, 0, 0), bitmap_mask_color(cursor));
    EXPECT_EQ(getpixel(cursor, cursor->w - 1, 0), bitmap_mask_color(cursor));
}

TEST_F(DataFile, PauseButtonsCoverExactlyTheirRegions)
{
    BITMAP *pause = bitmap(DAT_INDEX_PAUSE);
    ASSERT_GE(pause->w, 284);
    ASSERT_GE(pause->h, 118);
    const int top = 95, bottom = 116;
    const int leave_left = 1, leave_right = 138, resume_left = 145, resume_right = 282;
    int rim = getpixel(pause, leave_left, top);

    for (int y = top; y <= bottom; y++) {
        // The buttons' edges are drawn in one colour, right on the region borders...
        EXPECT_EQ(getpixel(pause, leave_left, y), rim) << "row " << y;
        EXPECT_EQ(getpixel(pause, leave_right, y), rim) << "row " << y;
        EXPECT_EQ(getpixel(pause, resume_left, y), rim) << "row " << y;
        EXPECT_EQ(getpixel(pause, resume_right, y), rim) << "row " << y;
        // ...and nothing of them spills out of those columns.
        EXPECT_NE(getpixel(pause, 0, y), rim) << "row " << y;
        EXPECT_NE(getpixel(pause, 283, y), rim) << "row " << y;
        for (int x = leave_right + 1; x < resume_left; x++)
            EXPECT_NE(getpixel(pause, x, y), rim) << "column " << x << " row " << y;
    }
    for (int x = leave_left; x <= resume_right; x++) {
        if (x > leave_right && x < resume_left)
            continue;
        EXPECT_EQ(getpixel(pause, x, top), rim) << "column " << x;
        EXPECT_EQ(getpixel(pause, x, bottom), rim) << "column " << x;
        EXPECT_NE(getpixel(pause, x, top - 1), rim) << "column " << x;
        EXPECT_NE(getpixel(pause, x, bottom + 1), rim) << "column " << x;
    }

    // Each button carries a label: its middle row holds more than its face colour.
    for (int left : {leave_left, resume_left}) {
        int face = getpixel(pause, left + 2, top + 11);
        int other = 0;
        for (int x = left + 2; x <= left + 135; x++)
            if (getpixel(pause, x, top + 11) != face)
                other++;
        EXPECT_GT(other, 10) << "no label in the button at column " << left;
    }
    // The box is blitted, not masked: no pixel of it is the mask colour.
    int masked = 0;
    for (int y = 0; y < pause->h; y++)
        for (int x = 0; x < pause->w; x++)
            if (getpixel(pause, x, y) == bitmap_mask_color(pause))
                masked++;
    EXPECT_EQ(masked, 0);
}

TEST_F(DataFile, SamplesAreShortDistinctMonoSounds)
{
    SAMPLE *bounce = (SAMPLE *)data[DAT_INDEX_BOUNCE].dat;
    SAMPLE *hit = (SAMPLE *)data[DAT_INDEX_HIT].dat;
    for (SAMPLE *s : {bounce, hit}) {
        EXPECT_EQ(s->stereo, 0);
        EXPECT_GT(s->freq, 0);
        EXPECT_GT(s->len, 0u);
        EXPECT_LT(s->len * 1000.0 / s->freq, 150.0);
    }
    size_t bytes = (bounce->bits / 8) * (size_t)std::min(bounce->len, hit->len);
    EXPECT_FALSE(bounce->len == hit->len && bounce->bits == hit->bits &&
                 memcmp(bounce->data, hit->data, bytes) == 0)
        << "the bounce and the hit are the same sound";
}

TEST_F(DataFile, TuneLastsBetweenHalfAMinuteAndAMinuteAndAHalf)
{
    int seconds = get_midi_length((MIDI *)data[DAT_INDEX_MUSIC].dat);
    EXPECT_GE(seconds, 30);
    EXPECT_LE(seconds, 90);
}

// The programs whose notes a tune sounds (each channel's program when a note starts, in
// track order) and the keys it plays on channel 10, the drums.
static void instruments_sounded(const MIDI *tune, std::set<int> *programs, std::set<int> *drums)
{
    int program[16] = {};
    for (int t = 0; t < MIDI_TRACKS; t++) {
        const unsigned char *p = tune->track[t].data, *end = p + tune->track[t].len;
        unsigned char status = 0;
        while (p != nullptr && p < end) {
            while (*p++ & 0x80) {}  // the delta time
            if (*p == 0xff || *p == 0xf0 || *p == 0xf7) {
                p += *p == 0xff ? 2 : 1;
                unsigned length = 0;
                do
                    length = length << 7 | (*p & 0x7f);
                while (*p++ & 0x80);
                p += length;
                continue;
            }
            if (*p & 0x80)
                status = *p++;
            int channel = status & 0x0f;
            if ((status & 0xf0) == 0xc0)
                program[channel] = p[0];
            else if ((status & 0xf0) == 0x90 && p[1] > 0)
                (channel == 9 ? drums : programs)->insert(channel == 9 ? p[0] : program[channel]);
            p += (status & 0xe0) == 0xc0 ? 1 : 2;  // program and channel pressure: one byte
        }
    }
}

// The patch set's index, read back by name line by line as the MIDI player reads it, names
// an instrument of the file on every line, and lists exactly what the tune sounds.
TEST_F(DataFile, PatchSetHoldsJustTheInstrumentsTheTuneSounds)
{
    std::set<int> programs, drums, listed_programs, listed_drums;
    instruments_sounded((MIDI *)data[DAT_INDEX_MUSIC].dat, &programs, &drums);
    ASSERT_FALSE(programs.empty() || drums.empty());

    std::set<std::string> listed_names, patch_names;
    PACKFILE *index = pack_fopen(TABRIVET_PATCHES_PATH "#default_cfg", F_READ);
    ASSERT_NE(index, nullptr) << "no index in " TABRIVET_PATCHES_PATH;
    char line[1024];
    bool drum_block = false;
    while (pack_fgets(line, sizeof line, index)) {
        std::istringstream words(line);
        std::string first, name;
        words >> first >> name;
        if (first.empty() || first[0] == '#')
            continue;
        if (first == "end_multipatch" || name == "begin_multipatch") {
            drum_block = first != "end_multipatch";
            continue;
        }
        ASSERT_FALSE(name.empty()) << "index line: " << line;
        if (drum_block)
            listed_drums.insert(atoi(first.c_str()));
        else
            listed_programs.insert(atoi(first.c_str()) - 1);  // numbered from 1
        listed_names.insert(name);
    }
    pack_fclose(index);

    DATAFILE *patches = load_datafile(TABRIVET_PATCHES_PATH);
    ASSERT_NE(patches, nullptr);
    for (int i = 0; patches[i].type != DAT_END; i++)
        if (patches[i].type == DAT_PATCH)
            patch_names.insert(get_datafile_property(patches + i, DAT_NAME));
    unload_datafile(patches);

    EXPECT_EQ(listed_programs, programs);
    EXPECT_EQ(listed_drums, drums);
    EXPECT_EQ(listed_names, patch_names);
}

// The icons are not in the data file; they must be square PNGs of their stated size.
TEST(DataFileIcons, IconsArePngsOfTheirSize)
{
    for (int size : {32, 48, 64, 128}) {
        std::string path = std::string(TABRIVET_ASSET_DIR) + "/icon-" + std::to_string(size) + ".png";
        FILE *f = fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr) << path;
        unsigned char head[24];
        size_t got = fread(head, 1, sizeof head, f);
        fclose(f);
        ASSERT_EQ(got, sizeof head) << path;
        EXPECT_EQ(memcmp(head, "\x89PNG\r\n\x1a\n", 8), 0) << path;
        EXPECT_EQ(memcmp(head + 12, "IHDR", 4), 0) << path;
        int w = (head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19];
        int h = (head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23];
        EXPECT_EQ(w, size) << path;
        EXPECT_EQ(h, size) << path;
    }
}
