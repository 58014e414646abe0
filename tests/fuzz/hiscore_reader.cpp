// Fuzz target: any bytes as "hiscore.txt" (in the working directory). The
// reader must never misbehave and only ever give letters A-Z as initials; a
// table it saves reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The reader is compiled into this target itself (the library's copy is then
// not linked) so that the fuzzer sees its coverage.
#include "hiscore/hiscore.cpp"

#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!write_file("hiscore.txt", data, size)) {
        return 0;
    }
    std::memset(hiscore_scores, 0, sizeof hiscore_scores);
    std::memset(hiscore_initials, 'A', sizeof hiscore_initials);
    if (hiscore_load() != 1) {
        abort();
    }
    for (const auto& entry : hiscore_initials) {
        for (char c : entry) {
            if (c < 'A' || c > 'Z') {
                abort();
            }
        }
    }
    hiscore_sort();
    // A damaged table is not saved (0); a saved one must read back as it was.
    // Saving syncs the disk, which is slow: the round trip is checked for one
    // input in sixty-four (chosen by the input itself, so reruns agree).
    unsigned hash = 0;
    for (size_t i = 0; i < size; ++i) {
        hash = hash * 31 + data[i];
    }
    if (hash % 64 != 0 || hiscore_save() != 1) {
        return 0;
    }

    int32_t scores[HISCORE_COUNT];
    char initials[HISCORE_COUNT][3];
    std::memcpy(scores, hiscore_scores, sizeof scores);
    std::memcpy(initials, hiscore_initials, sizeof initials);

    std::memset(hiscore_scores, 0x55, sizeof hiscore_scores);
    hiscore_load();
    if (std::memcmp(scores, hiscore_scores, sizeof scores) != 0 ||
        std::memcmp(initials, hiscore_initials, sizeof initials) != 0) {
        abort();
    }
    return 0;
}
