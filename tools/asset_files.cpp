// File writers of the asset program: raw bytes, PNG (stored deflate blocks inside a zlib
// stream, with CRC-32 and Adler-32, so no compression library is needed) and mono
// 16-bit PCM WAV.
#include "make_assets.h"

#include <cmath>
#include <cstdio>

bool write_file(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f == NULL) {
        fprintf(stderr, "make_assets: cannot create %s\n", path.c_str());
        return false;
    }
    size_t written = fwrite(bytes.data(), 1, bytes.size(), f);
    int closed = fclose(f);
    if (written != bytes.size() || closed != 0) {
        fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

static void put_be32(std::vector<uint8_t> *out, uint32_t v)
{
    out->push_back((uint8_t)(v >> 24));
    out->push_back((uint8_t)(v >> 16));
    out->push_back((uint8_t)(v >> 8));
    out->push_back((uint8_t)v);
}

static void put_le16(std::vector<uint8_t> *out, uint32_t v)
{
    out->push_back((uint8_t)v);
    out->push_back((uint8_t)(v >> 8));
}

static void put_le32(std::vector<uint8_t> *out, uint32_t v)
{
    put_le16(out, v & 0xffff);
    put_le16(out, v >> 16);
}

static void put_text(std::vector<uint8_t> *out, const char *text)
{
    while (*text)
        out->push_back((uint8_t)*text++);
}

// CRC-32 as PNG uses it (polynomial 0xEDB88320), over the given bytes.
static uint32_t crc32_of(const uint8_t *p, size_t n)
{
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < n; i++)
        crc = table[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
    return crc ^ 0xffffffffu;
}

static uint32_t adler32_of(const std::vector<uint8_t> &bytes)
{
    uint32_t a = 1, b = 0;
    for (uint8_t v : bytes) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// Appends a PNG chunk: length, type, data and the CRC of type and data.
static void put_chunk(std::vector<uint8_t> *out, const char *type, const std::vector<uint8_t> &data)
{
    put_be32(out, (uint32_t)data.size());
    size_t start = out->size();
    put_text(out, type);
    out->insert(out->end(), data.begin(), data.end());
    put_be32(out, crc32_of(out->data() + start, out->size() - start));
}

std::vector<uint8_t> png_rgba(int w, int h, const std::vector<uint8_t> &rgba)
{
    // Every row starts with filter type 0 (none).
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; y++) {
        raw.push_back(0);
        raw.insert(raw.end(), rgba.begin() + (size_t)y * w * 4, rgba.begin() + (size_t)(y + 1) * w * 4);
    }

    // zlib stream: header for deflate with a 32K window, stored blocks, Adler-32.
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t len = raw.size() - pos;
        if (len > 65535)
            len = 65535;
        z.push_back(pos + len == raw.size() ? 1 : 0);
        put_le16(&z, (uint32_t)len);
        put_le16(&z, (uint32_t)(~len & 0xffff));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + len);
        pos += len;
    } while (pos < raw.size());
    put_be32(&z, adler32_of(raw));

    std::vector<uint8_t> header;
    put_be32(&header, (uint32_t)w);
    put_be32(&header, (uint32_t)h);
    header.push_back(8);  // bits per channel
    header.push_back(6);  // RGBA
    header.push_back(0);  // deflate
    header.push_back(0);  // adaptive filtering
    header.push_back(0);  // not interlaced

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    put_chunk(&png, "IHDR", header);
    put_chunk(&png, "IDAT", z);
    put_chunk(&png, "IEND", {});
    return png;
}

bool write_ico(const std::string &path, const std::vector<int> &sizes,
               const std::vector<std::vector<uint8_t>> &pngs)
{
    // The directory: reserved, type 1 (icon), the count; then one 16-byte entry a picture.
    std::vector<uint8_t> ico;
    put_le16(&ico, 0);
    put_le16(&ico, 1);
    put_le16(&ico, (uint32_t)sizes.size());
    uint32_t offset = 6 + 16 * (uint32_t)sizes.size();
    for (size_t i = 0; i < sizes.size(); i++) {
        ico.push_back((uint8_t)(sizes[i] >= 256 ? 0 : sizes[i]));  // 0 stands for 256
        ico.push_back((uint8_t)(sizes[i] >= 256 ? 0 : sizes[i]));
        ico.push_back(0);  // no palette
        ico.push_back(0);
        put_le16(&ico, 1);   // planes
        put_le16(&ico, 32);  // bits per pixel
        put_le32(&ico, (uint32_t)pngs[i].size());
        put_le32(&ico, offset);
        offset += (uint32_t)pngs[i].size();
    }
    for (const auto &png : pngs)
        ico.insert(ico.end(), png.begin(), png.end());
    return write_file(path, ico);
}

bool write_wav_mono16(const std::string &path, int rate, const std::vector<float> &samples)
{
    uint32_t data_bytes = (uint32_t)samples.size() * 2;
    std::vector<uint8_t> wav;
    put_text(&wav, "RIFF");
    put_le32(&wav, 36 + data_bytes);
    put_text(&wav, "WAVE");
    put_text(&wav, "fmt ");
    put_le32(&wav, 16);
    put_le16(&wav, 1);  // PCM
    put_le16(&wav, 1);  // mono
    put_le32(&wav, (uint32_t)rate);
    put_le32(&wav, (uint32_t)rate * 2);
    put_le16(&wav, 2);   // bytes per frame
    put_le16(&wav, 16);  // bits per sample
    put_text(&wav, "data");
    put_le32(&wav, data_bytes);
    for (float s : samples) {
        long v = lroundf(clamp01(s * 0.5f + 0.5f) * 65535.0f) - 32768;
        put_le16(&wav, (uint32_t)(uint16_t)(int16_t)v);
    }
    return write_file(path, wav);
}
