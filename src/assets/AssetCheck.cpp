#include "assets/AssetCheck.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

// Only the header reader of stb_image is used: the decoder family SFML reads
// pictures with, so both agree on which files are pictures at all. PNM is
// not one of the formats SFML promises, and stb's PNM header reader overflows
// an int on a long width, so those files are refused outright.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_PNM
#include <stb/stb_image.h>

namespace {

// One second of sound is what sf::Music buffers; past this rate that buffer
// alone would run to gigabytes.
constexpr std::uint32_t maxSampleRate = 768000;

// The subformat GUID of PCM samples in a WAVE_FORMAT_EXTENSIBLE header.
constexpr unsigned char pcmSubformat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t Le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool ReadAt(std::istream& in, std::uint64_t offset, unsigned char* out, std::size_t count)
{
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
    return in.gcount() == static_cast<std::streamsize>(count);
}

bool IsSupportedFormat(const unsigned char* fmt, std::uint32_t chunkSize)
{
    if (chunkSize < 16)
        return false;
    const std::uint16_t format = Le16(fmt);
    const std::uint16_t channels = Le16(fmt + 2);
    const std::uint32_t sampleRate = Le32(fmt + 4);
    const std::uint16_t bits = Le16(fmt + 14);
    if (channels < 1 || channels > 8 || sampleRate == 0 || sampleRate > maxSampleRate)
        return false;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (format == 1)
        return true;
    // WAVE_FORMAT_EXTENSIBLE is PCM too when its subformat says so.
    return format == 0xFFFE && chunkSize >= 40 && Le16(fmt + 18) == bits &&
           std::memcmp(fmt + 24, pcmSubformat, sizeof pcmSubformat) == 0;
}

int ReadFromStream(void* user, char* data, int size)
{
    std::istream& in = *static_cast<std::istream*>(user);
    in.read(data, size);
    return static_cast<int>(in.gcount());
}

void SkipInStream(void* user, int count)
{
    std::istream& in = *static_cast<std::istream*>(user);
    in.clear();
    in.seekg(count, std::ios::cur);
}

int IsStreamAtEnd(void* user)
{
    std::istream& in = *static_cast<std::istream*>(user);
    return in.peek() == std::istream::traits_type::eof() ? 1 : 0;
}

// stb_image writes past its Huffman tables when a JPEG table lists more than
// 256 codes, and SFML's copy asserts, aborting the game, on a DC table symbol
// above 15. Tables may sit between scans, so every marker segment is visited.
bool JpegTablesAreSafe(std::istream& in)
{
    in.clear();
    in.seekg(0);
    // Only a JPEG, which starts with a marker, is read whole.
    if (in.peek() != 0xFF)
        return true;
    const std::vector<unsigned char> d{std::istreambuf_iterator<char>(in),
                                       std::istreambuf_iterator<char>()};
    // Like stb_image, take any run of fill bytes before the start marker.
    std::size_t i = 0;
    while (i < d.size() && d[i] == 0xFF)
        ++i;
    if (i == 0 || i == d.size() || d[i] != 0xD8)
        return true;
    ++i;
    while (i + 4 <= d.size()) {
        const unsigned char marker = d[i + 1];
        // Scan data, stuffed bytes, fill bytes and restart markers carry no table.
        if (d[i] != 0xFF || marker == 0x00 || marker == 0xFF ||
            (marker >= 0xD0 && marker <= 0xD7)) {
            ++i;
            continue;
        }
        if (marker == 0xD9)
            break;
        const std::size_t end = i + 2 + (static_cast<std::size_t>(d[i + 2]) << 8 | d[i + 3]);
        if (end > d.size())
            return false;
        for (std::size_t p = i + 4; marker == 0xC4 && p < end;) {
            if (p + 17 > end)
                return false;
            std::size_t count = 0;
            for (std::size_t k = 1; k <= 16; ++k)
                count += d[p + k];
            if (count > 256 || p + 17 + count > end)
                return false;
            const bool dc = (d[p] >> 4) == 0;
            for (std::size_t k = p + 17; dc && k < p + 17 + count; ++k) {
                if (d[k] > 15)
                    return false;
            }
            p += 17 + count;
        }
        i = end;
    }
    return true;
}

} // namespace

bool IsSafeImage(std::istream& in)
{
    const stbi_io_callbacks callbacks = {&ReadFromStream, &SkipInStream, &IsStreamAtEnd};
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!JpegTablesAreSafe(in))
        return false;
    in.clear();
    in.seekg(0);
    return stbi_info_from_callbacks(&callbacks, &in, &width, &height, &channels) && width > 0 &&
           height > 0 && width <= maxImageSide && height <= maxImageSide;
}

bool IsSafeImageFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in && IsSafeImage(in);
}

bool IsSafeSound(std::istream& in)
{
    in.clear();
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    unsigned char riff[12];
    if (end < 0 || !ReadAt(in, 0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    const std::uint64_t fileSize = static_cast<std::uint64_t>(end);

    // Walk the chunks the way SFML does: no padding, and the samples start at
    // the first data chunk, whatever follows it.
    bool formatSeen = false;
    std::uint64_t offset = sizeof riff;
    for (;;) {
        unsigned char chunk[8];
        if (!ReadAt(in, offset, chunk, sizeof chunk))
            return false;
        const std::uint32_t chunkSize = Le32(chunk + 4);
        const std::uint64_t start = offset + sizeof chunk;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[40] = {};
            const std::size_t wanted = std::min<std::uint32_t>(chunkSize, sizeof fmt);
            if (!ReadAt(in, start, fmt, wanted) || !IsSupportedFormat(fmt, chunkSize))
                return false;
            formatSeen = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            return formatSeen && chunkSize <= fileSize - start;
        }
        offset = start + chunkSize;
    }
}

bool IsSafeSoundFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in && IsSafeSound(in);
}
