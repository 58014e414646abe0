// Standard MIDI file reader: walks every track, merges them by time and turns
// ticks into sample frames through the tempo map, so that the mixer can play
// a piece without touching the file again and its length is known at load.
#include "platform/audio_midi.h"

#include <algorithm>
#include <cmath>

#include "platform/audio.h"

namespace {

const char* refusal = "";

struct RawEvent {
    uint64_t tick;
    uint32_t order;  // file order, so that events of one tick keep it
    uint32_t tempo;  // microseconds per quarter note for a tempo change, else 0
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
};

uint32_t read_be32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint16_t read_be16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// A variable-length quantity of at most four bytes; false when it runs off the end.
bool read_vlq(const uint8_t* bytes, size_t end, size_t* pos, uint32_t* value)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        if (*pos >= end) {
            return false;
        }
        uint8_t b = bytes[(*pos)++];
        v = (v << 7) | (b & 0x7F);
        if ((b & 0x80) == 0) {
            *value = v;
            return true;
        }
    }
    return false;
}

int channel_data_bytes(uint8_t status)
{
    uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

// Reads one track's events. A track that breaks off (truncated or corrupt)
// keeps what was read before the break. Returns the tick of its last event.
// Stops, with *too_many set, once the piece holds the most events we keep.
uint64_t parse_track(const uint8_t* bytes, size_t start, size_t end, std::vector<RawEvent>* out, uint32_t* order,
                     bool* too_many)
{
    size_t pos = start;
    uint64_t tick = 0;
    uint8_t running = 0;
    while (pos < end) {
        if (out->size() >= PLAT_MUSIC_MAX_EVENTS) {
            *too_many = true;
            break;
        }
        uint32_t delta = 0;
        if (!read_vlq(bytes, end, &pos, &delta) || pos >= end) {
            break;
        }
        tick += delta;
        uint8_t status = bytes[pos];
        if (status & 0x80) {
            ++pos;
        } else if (running != 0) {
            status = running;  // running status: this byte is already data
        } else {
            break;
        }

        if (status < 0xF0) {
            running = status;
            int count = channel_data_bytes(status);
            if (end - pos < static_cast<size_t>(count)) {
                break;
            }
            uint8_t d1 = bytes[pos] & 0x7F;
            uint8_t d2 = count == 2 ? (bytes[pos + 1] & 0x7F) : 0;
            pos += count;
            out->push_back(RawEvent{tick, (*order)++, 0, status, d1, d2});
        } else if (status == 0xFF) {
            running = 0;
            if (pos >= end) {
                break;
            }
            uint8_t type = bytes[pos++];
            uint32_t length = 0;
            if (!read_vlq(bytes, end, &pos, &length) || length > end - pos) {
                break;
            }
            if (type == 0x51 && length >= 3) {
                uint32_t tempo = (uint32_t(bytes[pos]) << 16) | (uint32_t(bytes[pos + 1]) << 8) | bytes[pos + 2];
                if (tempo > 0) {
                    out->push_back(RawEvent{tick, (*order)++, tempo, 0xFF, 0x51, 0});
                }
            }
            pos += length;
            if (type == 0x2F) {
                break;  // end of track
            }
        } else if (status == 0xF0 || status == 0xF7) {
            running = 0;
            uint32_t length = 0;
            if (!read_vlq(bytes, end, &pos, &length) || length > end - pos) {
                break;
            }
            pos += length;  // system exclusive: not sent to the synthesiser
        } else {
            break;  // real-time and common messages have no place in a file
        }
    }
    return tick;
}

}  // namespace

const char* plat_music_refusal()
{
    return refusal;
}

bool midi_parse(const uint8_t* bytes, size_t size, PlatMusic* music)
{
    refusal = "not a standard MIDI file";
    if (bytes == nullptr || size < 14 || size > PLAT_MUSIC_MAX_FILE_BYTES) {
        return false;
    }
    if (bytes[0] != 'M' || bytes[1] != 'T' || bytes[2] != 'h' || bytes[3] != 'd') {
        return false;
    }
    uint32_t header_length = read_be32(bytes + 4);
    if (header_length < 6 || header_length > size - 8) {
        return false;
    }
    uint16_t format = read_be16(bytes + 8);
    uint16_t track_count = read_be16(bytes + 10);
    uint16_t division = read_be16(bytes + 12);
    if (format > 2 || division == 0) {
        return false;
    }

    // Seconds per tick: from the tempo for metrical time, fixed for SMPTE time.
    bool smpte = (division & 0x8000) != 0;
    double smpte_seconds_per_tick = 0.0;
    if (smpte) {
        int fps = -static_cast<int8_t>(division >> 8);
        int ticks_per_frame = division & 0xFF;
        if (fps <= 0 || ticks_per_frame == 0) {
            return false;
        }
        double frames_per_second = fps == 29 ? 29.97 : fps;
        smpte_seconds_per_tick = 1.0 / (frames_per_second * ticks_per_frame);
    }

    std::vector<RawEvent> raw;
    uint32_t order = 0;
    uint64_t last_tick = 0;
    size_t pos = 8 + static_cast<size_t>(header_length);
    int tracks_read = 0;
    bool too_many = false;
    while (tracks_read < track_count && size - pos >= 8 && !too_many) {
        uint32_t chunk_length = read_be32(bytes + pos + 4);
        size_t data = pos + 8;
        // A chunk that claims more than the file holds is read up to the end.
        size_t chunk_end = chunk_length > size - data ? size : data + chunk_length;
        if (bytes[pos] == 'M' && bytes[pos + 1] == 'T' && bytes[pos + 2] == 'r' && bytes[pos + 3] == 'k') {
            last_tick = std::max(last_tick, parse_track(bytes, data, chunk_end, &raw, &order, &too_many));
            ++tracks_read;
        }
        pos = chunk_end;
    }
    if (too_many) {
        refusal = "more MIDI events than a piece of ours may have";
        return false;
    }

    std::stable_sort(raw.begin(), raw.end(), [](const RawEvent& a, const RawEvent& b) { return a.tick < b.tick; });

    double ppqn = smpte ? 1.0 : division;
    double tempo_seconds_per_tick = 500000.0 / 1e6 / ppqn;  // 120 beats per minute until told
    double seconds_per_tick = smpte ? smpte_seconds_per_tick : tempo_seconds_per_tick;
    uint64_t at_tick = 0;
    double at_seconds = 0.0;
    auto seconds_of = [&](uint64_t tick) {
        return at_seconds + static_cast<double>(tick - at_tick) * seconds_per_tick;
    };
    auto frame_of = [](double seconds) {
        double frame = std::floor(seconds * PLAT_AUDIO_RATE);
        return frame >= 1e15 ? static_cast<uint64_t>(1e15) : static_cast<uint64_t>(frame);
    };

    music->events.clear();
    music->events.reserve(raw.size());
    for (const RawEvent& e : raw) {
        double seconds = seconds_of(e.tick);
        if (e.tempo != 0) {
            if (!smpte) {
                at_seconds = seconds;
                at_tick = e.tick;
                seconds_per_tick = e.tempo / 1e6 / ppqn;
            }
            continue;
        }
        music->events.push_back(MidiEvent{frame_of(seconds), e.status, e.data1, e.data2});
    }
    double length_seconds = seconds_of(last_tick);
    music->end_frame = frame_of(length_seconds);
    double ms = std::floor(length_seconds * 1000.0);
    music->length_ms = ms >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(ms);
    refusal = "";
    return true;
}
