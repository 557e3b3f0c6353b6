// Walks the data file's structure before the library loads it. The library trusts every
// count and size it reads, so a damaged file could make it crash, spin or ask for gigabytes;
// this walk reads the file through the same packfile routines and refuses any such file.
#include "shell/game.h"

#include <allegro/internal/aintern.h>  // _packfile_datasize: the size the chunk declares

#define MAX_PROPERTY_SIZE 4096  // names and the like: a few dozen bytes in practice
#define MAX_BITMAP_SIDE 4096    // far beyond any picture a 640x480 game can show
#define MIDI_TRACK_COUNT 32     // the library's datafile MIDI always stores 32 tracks
#define SKIP_BLOCK 4096

// A stream being walked and the number of its bytes read so far; ok drops to 0 for good at
// the first read past the end of the stream.
struct Walk {
    PACKFILE *f;
    long long read;
    int ok;
};

static int next_byte(Walk *w)
{
    if (!w->ok)
        return 0;
    const int c = pack_getc(w->f);
    if (c == EOF) {
        w->ok = 0;
        return 0;
    }
    w->read++;
    return c;
}

// A big-endian 16-bit value, as the library's pack_mgetw reads it.
static int next_word(Walk *w)
{
    const int hi = next_byte(w);
    return (hi << 8) | next_byte(w);
}

// A big-endian 32-bit value, as the library's pack_mgetl reads it.
static long long next_long(Walk *w)
{
    unsigned long v = 0;
    for (int i = 0; i < 4; i++)
        v = (v << 8) | (unsigned long)next_byte(w);
    return (long long)(int)(unsigned int)v;
}

// Reads and drops n bytes, in blocks, so that a size claiming more than the file holds
// costs no memory and ends at the file's end.
static void skip_bytes(Walk *w, long long n)
{
    static char block[SKIP_BLOCK];
    while (w->ok && n > 0) {
        const long want = n < SKIP_BLOCK ? (long)n : SKIP_BLOCK;
        const long got = pack_fread(block, want, w->f);
        if (got != want) {
            w->ok = 0;
            return;
        }
        w->read += got;
        n -= got;
    }
}

// A MIDI variable-length quantity: at most four bytes, seven bits each.
static long long next_varlen(Walk *w)
{
    long long v = 0;
    for (int i = 0; i < 4; i++) {
        const int c = next_byte(w);
        v = (v << 7) | (c & 0x7F);
        if (!(c & 0x80))
            return v;
    }
    w->ok = 0;
    return 0;
}

// One track of len bytes: events with well-formed lengths and data bytes, ending with the
// end-of-track event exactly at its last byte, so that the player never reads past it.
static int check_track(Walk *w, long long len)
{
    const long long end = w->read + len;
    int status = 0;
    while (w->ok && w->read < end) {
        next_varlen(w);
        int c = next_byte(w);
        int first = -1;  // a data byte already read under running status
        if (c & 0x80) {
            status = c;
        } else {
            if (status == 0)
                return 0;
            first = c;
        }
        if (status == 0xFF) {
            const int meta = next_byte(w);
            const long long n = next_varlen(w);
            if (n > end - w->read)
                return 0;
            skip_bytes(w, n);
            status = 0;
            if (meta == 0x2F)
                return w->ok && n == 0 && w->read == end;
        } else if (status == 0xF0 || status == 0xF7) {
            const long long n = next_varlen(w);
            if (n > end - w->read)
                return 0;
            skip_bytes(w, n);
            status = 0;
        } else if (status > 0xF0) {
            return 0;
        } else {
            const int kind = status & 0xF0;
            const int count = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            for (int i = 0; i < count; i++) {
                const int d = (i == 0 && first >= 0) ? first : next_byte(w);
                if (d & 0x80)
                    return 0;
            }
        }
    }
    return 0;
}

// 16-bit depth field, signed as the library reads it.
static int signed_word(int v)
{
    return v >= 0x8000 ? v - 0x10000 : v;
}

// A bitmap: a known colour depth, sides within reason and every pixel present.
static int check_bitmap(Walk *w)
{
    const int bits = signed_word(next_word(w));
    const long long width = next_word(w);
    const long long height = next_word(w);
    int stored;  // bytes per pixel in the file
    switch (bits) {
    case 8: stored = 1; break;
    case 15: case 16: stored = 2; break;
    case 24: case 32: stored = 3; break;
    case -32: stored = 4; break;
    default: return 0;
    }
    if (!w->ok || width < 1 || height < 1 || width > MAX_BITMAP_SIDE || height > MAX_BITMAP_SIDE)
        return 0;
    skip_bytes(w, width * height * stored);
    return w->ok;
}

// A sample: 8 or 16 bits, mono or stereo (negative bits), a rate, and every sample present.
static int check_sample(Walk *w)
{
    const int bits = signed_word(next_word(w));
    const int freq = next_word(w);
    const long long len = next_long(w);
    const int channels = bits < 0 ? 2 : 1;
    const int size = bits < 0 ? -bits : bits;
    if (!w->ok || (size != 8 && size != 16) || freq < 1 || len < 1)
        return 0;
    skip_bytes(w, len * channels * (size / 8));
    return w->ok;
}

// A tune: a positive beat division and the 32 tracks, each empty or a well-formed track.
static int check_midi(Walk *w)
{
    const int divisions = signed_word(next_word(w));
    if (!w->ok || divisions < 1)
        return 0;
    for (int i = 0; i < MIDI_TRACK_COUNT; i++) {
        const long long len = next_long(w);
        if (!w->ok || len < 0)
            return 0;
        if (len > 0 && !check_track(w, len))
            return 0;
    }
    return w->ok;
}

// One object's contents, read through the library's chunk reader (which undoes the
// object's own compression, if any) and filling exactly the size the object declares.
// A compressed chunk may yield a few bytes of padding past that size, so the count of
// bytes read is compared with the declared size rather than looking for the chunk's end.
static int check_object(PACKFILE *f, int type)
{
    PACKFILE *chunk = pack_fopen_chunk(f, FALSE);
    if (chunk == NULL)
        return 0;
    const long long declared = _packfile_datasize;
    Walk w = {chunk, 0, 1};
    int ok = 0;
    if (type == DAT_BITMAP)
        ok = check_bitmap(&w);
    else if (type == DAT_SAMPLE)
        ok = check_sample(&w);
    else if (type == DAT_MIDI)
        ok = check_midi(&w);
    ok = ok && w.read == declared;
    pack_fclose_chunk(chunk);
    return ok;
}

int check_datafile(const char *path)
{
    PACKFILE *f = pack_fopen(path, F_READ_PACKED);
    if (f == NULL)
        return 0;
    Walk w = {f, 0, 1};
    int ok = next_long(&w) == DAT_MAGIC && next_long(&w) == DAT_OBJECT_COUNT;
    for (int i = 0; ok && i < DAT_OBJECT_COUNT; i++) {
        long long type = next_long(&w);
        // Properties (the object's name and so on) come before the object they describe.
        while (w.ok && type == DAT_PROPERTY) {
            next_long(&w);
            const long long size = next_long(&w);
            if (size < 0 || size > MAX_PROPERTY_SIZE)
                w.ok = 0;
            skip_bytes(&w, size);
            type = next_long(&w);
        }
        ok = w.ok && type == asset_types[i] && check_object(f, asset_types[i]);
    }
    // Nothing may follow the last object.
    ok = ok && pack_getc(f) == EOF;
    pack_fclose(f);
    return ok;
}
