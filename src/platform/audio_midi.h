// Standard MIDI files read into a flat list of timed channel events; shared
// by the parser (audio_midi.cpp) and the mixer (audio.cpp) only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One channel message, due at `frame` (44100 Hz frames from the start).
struct MidiEvent {
    uint64_t frame;
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
};

struct PlatMusic {
    std::vector<MidiEvent> events;  // in time order
    uint64_t end_frame;             // the last event of any track, meta events included
    uint32_t length_ms;
};

// Fills `music` from the bytes of a standard MIDI file (format 0, 1 or 2).
// False when the bytes are not one; a track cut short keeps what it had.
bool midi_parse(const uint8_t* bytes, size_t size, PlatMusic* music);
