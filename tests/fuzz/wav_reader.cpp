// Fuzz target: any bytes as a WAV file. The RIFF walk must never read outside
// them, and what it accepts must describe samples that lie inside them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/audio.h"

// The reader is compiled into this target (instead of taken from the game's
// library) so that libFuzzer sees its branches; the linker then leaves the
// library's copy out.
#include "audio/wav.cpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so that a read one byte past the end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    WavInfo info;
    std::memset(&info, 0xAB, sizeof info);
    if (snd_parse_wav(bytes.data(), bytes.size(), &info) == 1) {
        if (info.format_tag != 1 || info.data_size == 0 || info.data_offset > size ||
            info.data_size > size - info.data_offset) {
            abort();
        }
        // Touch every sample byte it hands out.
        unsigned sum = 0;
        for (uint32_t i = 0; i < info.data_size; ++i) {
            sum += bytes[info.data_offset + i];
        }
        if (sum == 0xFFFFFFFFu) {
            abort();  // never: keeps the loop from being optimised away
        }
    }
    return 0;
}
