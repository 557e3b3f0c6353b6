// Builds patches.dat, the MIDI instruments of the game's tune, from Debian's freepats: only
// the instruments the tune sounds and, of each, only the samples the library's DIGMID player
// chooses for the notes it plays, so the tune sounds exactly as with the whole set.
#include <allegro.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

#define DRUM_CHANNEL 9
#define DRUM_NOTE 60        // the player sounds every drum as this key
#define MAX_SAMPLES 64      // the player reads no more samples of a patch
#define MAX_CHOSEN 5        // nor sounds more of them for one note
// A key whose frequency lies this close (millihertz) to a sample's limit also keeps the
// sample on the other side, in case the player's table, computed in floating point, comes
// out a little different on another system.
#define FREQ_MARGIN 2

// Layout of a GUS patch file: its header, one instrument header and one layer header
// (239 bytes), then each sample as a 96-byte header followed by its data.
#define PAT_WAVE_COUNT 85
#define PAT_DATA_SIZE 89
#define PAT_INSTRUMENT_COUNT 82
#define PAT_INSTRUMENT_SIZE 147
#define PAT_LAYER_COUNT 151
#define PAT_LAYER_SIZE 194
#define PAT_SAMPLE_COUNT 198
#define PAT_HEADERS 239
#define SAMPLE_HEADER 96
#define SAMPLE_LENGTH 8
#define SAMPLE_LOW_FREQ 22
#define SAMPLE_HIGH_FREQ 26

// What the tune sounds: the keys played on each melodic program, the drum keys, and the
// programs heard on a channel whose pitch is bent (their notes may reach any sample).
struct TuneUse {
    std::map<int, std::set<int>> programs;
    std::set<int> drums;
    std::set<int> bent;
};

// One sample of a patch file: where it starts, its size with its header, and the range of
// frequencies (millihertz) it serves.
struct PatchSample {
    size_t offset, size;
    long low, high;
};

// An instrument file of the set and the keys the tune plays on it.
struct Instrument {
    std::string name;           // as the index names it: the object's name in patches.dat
    std::set<int> keys;
    bool every_sample;
    bool drum;
};

static bool read_file(const std::string &path, Bytes *out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fprintf(stderr, "make_patches: cannot read %s\n", path.c_str());
        return false;
    }
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

static unsigned get_be32(const Bytes &b, size_t at)
{
    return (unsigned)b[at] << 24 | (unsigned)b[at + 1] << 16 | (unsigned)b[at + 2] << 8 | b[at + 3];
}

static long get_le32(const Bytes &b, size_t at)
{
    return (int32_t)((uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 |
                     (uint32_t)b[at + 3] << 24);
}

static void put_le32(Bytes *b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        (*b)[at + i] = (uint8_t)(v >> (8 * i));
}

// A MIDI variable-length number at *at, which is moved past it; false past the end.
static bool get_var_len(const Bytes &b, size_t end, size_t *at, unsigned *value)
{
    *value = 0;
    for (int i = 0; i < 4 && *at < end; i++) {
        uint8_t c = b[(*at)++];
        *value = *value << 7 | (c & 0x7f);
        if (!(c & 0x80))
            return true;
    }
    return false;
}

// A channel event of the tune and the tick it falls on.
struct Event {
    unsigned tick;
    uint8_t status, data1, data2;
};

// Reads the channel events of a Standard MIDI File, all tracks merged in playing order:
// by tick and, within a tick, track by track, as the player meets them.
static bool read_events(const Bytes &midi, std::vector<Event> *events)
{
    if (midi.size() < 14 || memcmp(midi.data(), "MThd", 4) != 0)
        return false;
    size_t at = 8 + get_be32(midi, 4);
    while (at + 8 <= midi.size()) {
        size_t end = at + 8 + get_be32(midi, at + 4);
        if (memcmp(&midi[at], "MTrk", 4) != 0 || end > midi.size())
            return false;
        at += 8;
        unsigned tick = 0, delta, length;
        uint8_t running = 0;
        while (at < end) {
            if (!get_var_len(midi, end, &at, &delta) || at >= end)
                return false;
            tick += delta;
            uint8_t status = midi[at];
            if (status == 0xff || status == 0xf0 || status == 0xf7) {
                // A meta event (status, type, length, data) or a system exclusive one
                // (status, length, data): nothing the scan needs.
                at += status == 0xff ? 2 : 1;
                if (!get_var_len(midi, end, &at, &length) || at + length > end)
                    return false;
                at += length;
                continue;
            }
            if (status & 0x80)
                running = status, at++;
            else if (!running)
                return false;
            int data_bytes = (running & 0xf0) == 0xc0 || (running & 0xf0) == 0xd0 ? 1 : 2;
            if (at + data_bytes > end)
                return false;
            events->push_back(Event{tick, running, midi[at],
                                    (uint8_t)(data_bytes == 2 ? midi[at + 1] : 0)});
            at += data_bytes;
        }
    }
    std::stable_sort(events->begin(), events->end(),
                     [](const Event &a, const Event &b) { return a.tick < b.tick; });
    return true;
}

// Finds what the tune sounds: each note-on with the program its channel has at that moment
// (every channel starts each pass on program 0), channel 10's keys as drums.
static bool scan_tune(const std::string &path, TuneUse *use)
{
    Bytes midi;
    std::vector<Event> events;
    if (!read_file(path, &midi))
        return false;
    if (!read_events(midi, &events)) {
        fprintf(stderr, "make_patches: %s is not a MIDI file the scan can read\n", path.c_str());
        return false;
    }
    bool bent[16] = {};
    for (const Event &e : events)
        if ((e.status & 0xf0) == 0xe0 && (e.data1 != 0 || e.data2 != 0x40))
            bent[e.status & 0x0f] = true;
    int program[16] = {};
    for (const Event &e : events) {
        int channel = e.status & 0x0f;
        if ((e.status & 0xf0) == 0xc0) {
            program[channel] = e.data1;
        } else if ((e.status & 0xf0) == 0x90 && e.data2 > 0) {
            if (channel == DRUM_CHANNEL) {
                use->drums.insert(e.data1);
            } else {
                use->programs[program[channel]].insert(e.data1);
                if (bent[channel])
                    use->bent.insert(program[channel]);
            }
        }
    }
    return true;
}

// Reads bank 0 and drum set 0 of a TiMidity index such as freepats.cfg: file names by
// program (from 0) and by drum key.
static bool read_index(const std::string &path, std::map<int, std::string> *programs,
                       std::map<int, std::string> *drums)
{
    Bytes text;
    if (!read_file(path, &text))
        return false;
    std::istringstream lines(std::string(text.begin(), text.end()));
    std::string line, section;
    while (std::getline(lines, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string first, file;
        if (!(words >> first))
            continue;
        if (first == "bank" || first == "drumset") {
            std::string number;
            words >> number;
            section = first + number;
        } else if (std::all_of(first.begin(), first.end(), [](unsigned char c) { return isdigit(c); }) &&
                   (words >> file)) {
            int number = atoi(first.c_str());
            if (section == "bank0")
                (*programs)[number] = file;
            else if (section == "drumset0")
                (*drums)[number] = file;
        }
    }
    if (programs->empty() || drums->empty()) {
        fprintf(stderr, "make_patches: no bank 0 or drumset 0 in %s\n", path.c_str());
        return false;
    }
    return true;
}

// The player's table of note frequencies in millihertz, computed as it computes it.
static void note_frequencies(long table[130])
{
    table[129] = 14080000;
    float f = table[129];
    for (int i = 128; i >= 0; i--) {
        f /= pow(2.0, 1.0 / 12.0);
        table[i] = f;
    }
}

// Lists the samples of a GUS patch of one instrument and one layer, the only layout the
// player reads; false if the file is not one.
static bool read_samples(const Bytes &pat, std::vector<PatchSample> *samples)
{
    if (pat.size() < PAT_HEADERS || memcmp(pat.data(), "GF1PATCH110\0ID#000002\0", 22) != 0 ||
        pat[PAT_INSTRUMENT_COUNT] != 1 || pat[PAT_LAYER_COUNT] != 1)
        return false;
    size_t at = PAT_HEADERS;
    for (int i = 0; i < pat[PAT_SAMPLE_COUNT]; i++) {
        if (at + SAMPLE_HEADER > pat.size())
            return false;
        size_t size = SAMPLE_HEADER + (uint32_t)get_le32(pat, at + SAMPLE_LENGTH);
        if (at + size > pat.size())
            return false;
        samples->push_back(PatchSample{at, size, get_le32(pat, at + SAMPLE_LOW_FREQ),
                                       get_le32(pat, at + SAMPLE_HIGH_FREQ)});
        at += size;
    }
    return at == pat.size();
}

// The samples (indices into the list) that the player starts for a note of frequency freq,
// in the order it starts them: a patch's only sample whatever the note; else the first
// five whose range holds the frequency, or if none does, the one whose range ends nearest.
static std::vector<int> chosen_samples(const std::vector<PatchSample> &samples, long freq)
{
    int count = std::min((int)samples.size(), MAX_SAMPLES);
    if (count <= 1)
        return std::vector<int>(count, 0);
    std::vector<int> chosen;
    int best = -1, best_diff = INT_MAX;
    for (int i = 0; i < count && (int)chosen.size() < MAX_CHOSEN; i++) {
        if (freq >= samples[i].low && freq <= samples[i].high) {
            chosen.push_back(i);
        } else {
            int diff = (int)std::min(labs(freq - samples[i].low), labs(freq - samples[i].high));
            if (diff < best_diff)
                best_diff = diff, best = i;
        }
    }
    if (chosen.empty() && best >= 0)
        chosen.push_back(best);
    return chosen;
}

// The patch with only the samples listed in keep (in file order), its counts and sizes
// made to match.
static Bytes trimmed_patch(const Bytes &pat, const std::vector<PatchSample> &samples,
                           const std::vector<int> &keep)
{
    Bytes out(pat.begin(), pat.begin() + PAT_HEADERS);
    size_t removed = 0;
    for (const PatchSample &s : samples)
        removed += s.size;
    for (int i : keep) {
        out.insert(out.end(), pat.begin() + samples[i].offset,
                   pat.begin() + samples[i].offset + samples[i].size);
        removed -= samples[i].size;
    }
    for (int field : {PAT_DATA_SIZE, PAT_INSTRUMENT_SIZE, PAT_LAYER_SIZE}) {
        uint32_t size = (uint32_t)get_le32(pat, field);
        put_le32(&out, field, size > removed ? (uint32_t)(size - removed) : 0);
    }
    out[PAT_WAVE_COUNT] = (uint8_t)keep.size();
    out[PAT_WAVE_COUNT + 1] = 0;
    out[PAT_SAMPLE_COUNT] = (uint8_t)keep.size();
    return out;
}

// Reads one instrument file and trims it to the samples its keys reach; checks that the
// player chooses for every key the same samples from the trimmed patch as from the whole.
static bool trim_instrument(const Instrument &inst, const std::string &dir, const long freq[130],
                            Bytes *out)
{
    // The index may leave out the extension, as the player allows.
    std::string path = dir + "/" + inst.name;
    size_t base = inst.name.find_last_of('/');
    if (inst.name.find('.', base == std::string::npos ? 0 : base + 1) == std::string::npos)
        path += ".pat";
    Bytes pat;
    std::vector<PatchSample> samples;
    if (!read_file(path, &pat))
        return false;
    if (!read_samples(pat, &samples)) {
        fprintf(stderr, "make_patches: %s is not a patch of one instrument and layer\n", path.c_str());
        return false;
    }
    std::set<int> wanted;
    for (int key : inst.keys)
        for (long f : {freq[key] - FREQ_MARGIN, freq[key], freq[key] + FREQ_MARGIN})
            for (int i : chosen_samples(samples, f))
                wanted.insert(i);
    if (inst.every_sample)
        for (int i = 0; i < (int)samples.size() && i < MAX_SAMPLES; i++)
            wanted.insert(i);
    std::vector<int> keep(wanted.begin(), wanted.end());
    *out = trimmed_patch(pat, samples, keep);

    std::vector<PatchSample> kept;
    read_samples(*out, &kept);
    for (int key : inst.keys) {
        std::vector<int> from_kept = chosen_samples(kept, freq[key]);
        for (int &i : from_kept)
            i = keep[i];
        if (from_kept != chosen_samples(samples, freq[key])) {
            fprintf(stderr, "make_patches: %s: key %d would sound other samples\n",
                    inst.name.c_str(), key);
            return false;
        }
    }
    printf("make_patches: %-42s", inst.name.c_str());
    if (inst.drum)
        printf(" drum     ");
    else
        printf(" keys %d-%d", *inst.keys.begin(), *inst.keys.rbegin());
    printf(", samples");
    for (int i : keep)
        printf(" %d", i + 1);
    printf(" of %d: %lu of %lu bytes\n", (int)samples.size(), (unsigned long)out->size(),
           (unsigned long)pat.size());
    return true;
}

// One object of the datafile.
struct Object {
    std::string name;
    int type;
    Bytes data;
};

// Orders objects by name, whatever the case, as the grabber sorts them.
static bool name_before(const Object &a, const Object &b)
{
    return std::lexicographical_compare(
        a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
        [](char x, char y) { return tolower((unsigned char)x) < tolower((unsigned char)y); });
}

// Writes the objects as a datafile laid out as the library's grabber lays one out: sorted
// by name, each with its name property and nothing else. They are stored uncompressed: the
// player reads its index by name ("patches.dat#default_cfg"), and the library reads a
// compressed object opened that way past its end, into lines of junk (one once took the
// hand clap's place); and the samples hardly compress, where an archive or a web server
// compresses the whole file better.
static bool write_datafile(const std::string &path, std::vector<Object> objects)
{
    std::sort(objects.begin(), objects.end(), name_before);
    PACKFILE *f = pack_fopen(path.c_str(), F_WRITE_NOPACK);
    if (f == NULL) {
        fprintf(stderr, "make_patches: cannot write %s\n", path.c_str());
        return false;
    }
    pack_mputl(DAT_MAGIC, f);
    pack_mputl((int)objects.size(), f);
    for (const Object &o : objects) {
        pack_mputl(DAT_PROPERTY, f);
        pack_mputl(DAT_NAME, f);
        pack_mputl((int)o.name.size(), f);
        pack_fwrite(o.name.data(), (long)o.name.size(), f);
        pack_mputl(o.type, f);
        pack_mputl((int)o.data.size(), f);  // stored size and size: the same, not packed
        pack_mputl((int)o.data.size(), f);
        pack_fwrite(o.data.data(), (long)o.data.size(), f);
    }
    bool ok = !pack_ferror(f);
    if (pack_fclose(f) != 0 || !ok) {
        fprintf(stderr, "make_patches: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Gathers the instrument files the tune needs, each with the keys played on it (a file
// shared by two programs serves the keys of both, as the player loads it once), and the
// index the player reads: the Gravis flavour, where instruments are numbered from 1 and the
// drums, numbered by key, follow a "begin_multipatch" line numbered 129.
static bool collect_instruments(const TuneUse &use, const std::map<int, std::string> &programs,
                                const std::map<int, std::string> &drums,
                                std::vector<Instrument> *instruments, std::string *index)
{
    std::map<std::string, Instrument> by_name;
    *index = "# The instruments of Tabrivet's tune, from freepats, as the library reads them.\n";
    for (const auto &[program, keys] : use.programs) {
        auto file = programs.find(program);
        if (file == programs.end()) {
            fprintf(stderr, "make_patches: the tune plays program %d, which the set lacks\n", program);
            return false;
        }
        Instrument &inst = by_name[file->second];
        inst.name = file->second;
        inst.keys.insert(keys.begin(), keys.end());
        inst.every_sample = inst.every_sample || use.bent.count(program);
        *index += std::to_string(program + 1) + " " + file->second + "\n";
    }
    *index += "129 begin_multipatch\n";
    for (int key : use.drums) {
        auto file = drums.find(key);
        if (file == drums.end()) {
            fprintf(stderr, "make_patches: the tune plays drum key %d, which the set lacks\n", key);
            return false;
        }
        Instrument &inst = by_name[file->second];
        inst.name = file->second;
        inst.keys.insert(DRUM_NOTE);
        inst.drum = true;
        *index += std::to_string(key) + " " + file->second + "\n";
    }
    *index += "end_multipatch\n";
    for (const auto &entry : by_name)
        instruments->push_back(entry.second);
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: make_patches TUNE.mid FREEPATS_CFG FREEPATS_DIR OUTPUT.dat\n");
        return 2;
    }
    std::string tune = argv[1], cfg = argv[2], dir = argv[3], output = argv[4];
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        fprintf(stderr, "make_patches: cannot start the library: %s\n", allegro_error);
        return 1;
    }

    TuneUse use;
    std::map<int, std::string> programs, drums;
    std::vector<Instrument> instruments;
    std::string index;
    if (!scan_tune(tune, &use) || !read_index(cfg, &programs, &drums) ||
        !collect_instruments(use, programs, drums, &instruments, &index))
        return 1;

    long freq[130];
    note_frequencies(freq);
    std::vector<Object> objects;
    objects.push_back(Object{"default_cfg", DAT_DATA, Bytes(index.begin(), index.end())});
    for (const Instrument &inst : instruments) {
        objects.push_back(Object{inst.name, DAT_PATCH, Bytes()});
        if (!trim_instrument(inst, dir, freq, &objects.back().data))
            return 1;
    }
    if (!write_datafile(output, objects)) {
        remove(output.c_str());
        return 1;
    }
    return 0;
}
END_OF_MAIN()
