// Fuzz target: any bytes as a MIDI file. The reader must never read outside
// them; a piece it accepts has its events in time order, none after its end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/audio.h"
#include "platform/audio_midi.h"

// The reader is compiled into this target (instead of taken from the game's
// library) so that libFuzzer sees its branches; the linker then leaves the
// library's copy out.
#include "platform/audio_midi.cpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    PlatMusic* music = new PlatMusic{};
    if (!midi_parse(bytes.data(), bytes.size(), music)) {
        delete music;
        return 0;
    }
    uint64_t last = 0;
    for (const MidiEvent& e : music->events) {
        if (e.frame < last || e.frame > music->end_frame || e.status < 0x80 || e.status >= 0xF0 || e.data1 > 0x7F ||
            e.data2 > 0x7F) {
            abort();
        }
        last = e.frame;
    }
    if (music->events.size() > size) {
        abort();
    }
    delete music;
    return 0;
}
