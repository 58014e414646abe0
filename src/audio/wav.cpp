// The RIFF walk of a WAV file: find the RIFF "WAVE" form, take the chunk right
// after the form type as the format chunk, then search the form for "data".
// Chunks are word-aligned. A chunk never reaches past its parent or the end of
// the file: a "data" chunk that claims more than there is gives what is there,
// and a size field larger than the whole file is taken as damage and refused.
#include "audio/audio.h"

#include <cstring>

namespace {

constexpr int WAVE_FORMAT_PCM = 1;

uint32_t read_le32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

int read_le16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

bool is_id(const uint8_t* p, const char* id)
{
    return std::memcmp(p, id, 4) == 0;
}

// Where the chunk after one at `pos` with `length` bytes of data begins.
size_t next_chunk(size_t pos, uint32_t length)
{
    return pos + 8 + length + (length & 1);
}

}  // namespace

int snd_parse_wav(const uint8_t* bytes, size_t size, WavInfo* info)
{
    if (bytes == nullptr || info == nullptr || size > static_cast<size_t>(SND_MAX_FILE_BYTES)) {
        return 0;
    }

    // The RIFF chunk whose form type is "WAVE", among the file's top-level chunks.
    size_t pos = 0;
    uint32_t riff_length = 0;
    for (;;) {
        if (size < 8 || pos > size - 8) {
            return 0;
        }
        riff_length = read_le32(bytes + pos + 4);
        if (riff_length > size) {
            return 0;
        }
        if (is_id(bytes + pos, "RIFF") && riff_length >= 4 && pos + 12 <= size && is_id(bytes + pos + 8, "WAVE")) {
            break;
        }
        pos = next_chunk(pos, riff_length);
    }
    size_t riff_end = pos + 8 + riff_length;
    if (riff_end > size) {
        riff_end = size;
    }

    // The format chunk: the first one inside the form, whatever its id. A
    // whole WAVEFORMATEX (18 bytes) is read from the start of its data,
    // whatever the chunk's size says: a 16-byte PCM chunk lends the next
    // chunk's header for the last two fields (which nothing uses), and a
    // shorter one still loads when its format tag is PCM. Only a file with
    // fewer than 18 bytes there fails.
    size_t format = pos + 12;
    if (format + 8 > riff_end || format + 8 + 18 > size) {
        return 0;
    }
    uint32_t format_length = read_le32(bytes + format + 4);
    if (format_length > size) {
        return 0;
    }
    const uint8_t* fields = bytes + format + 8;
    int format_tag = read_le16(fields);
    if (format_tag != WAVE_FORMAT_PCM) {
        return 0;
    }

    // Search the rest of the form for "data".
    size_t chunk = next_chunk(format, format_length);
    for (;;) {
        if (chunk + 8 > riff_end) {
            return 0;
        }
        uint32_t length = read_le32(bytes + chunk + 4);
        if (length > size) {
            return 0;
        }
        if (is_id(bytes + chunk, "data")) {
            size_t data = chunk + 8;
            size_t present = riff_end - data;
            size_t take = length < present ? length : present;
            if (take == 0) {
                return 0;  // nothing to play
            }
            info->format_tag = format_tag;
            info->channels = read_le16(fields + 2);
            info->samples_per_sec = static_cast<int>(read_le32(fields + 4));
            info->bits_per_sample = read_le16(fields + 14);
            info->data_offset = static_cast<uint32_t>(data);
            info->data_size = static_cast<uint32_t>(take);
            return 1;
        }
        chunk = next_chunk(chunk, length);
    }
}
