// Fuzz target: any bytes as a key script. The parser must never misbehave;
// what it accepts holds only known keys with passes that never go down, and
// what it refuses is said in one printable line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/headless.h"
#include "platform/platform.h"
#include "shell/harness_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char error[256];
    memset(error, 0x7F, sizeof error);
    const int ok = harness_parse_script(reinterpret_cast<const char*>(data), size, error, sizeof error);
    if (ok) {
        // Passes fit an int and the count is bounded; one last pass takes
        // every event in.
        if (headless_events_left() < 0 || headless_events_left() > HARNESS_MAX_EVENTS) {
            abort();
        }
        plat_use_backend(PLAT_HEADLESS, 1000);
        headless_begin_pass(2147483647);
        if (headless_events_left() != 0) {
            abort();
        }
        return 0;
    }
    if (memchr(error, '\0', sizeof error) == nullptr || error[0] == '\0') {
        abort();
    }
    for (const char* p = error; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F) {
            abort();  // a control byte would reach the terminal
        }
    }
    return 0;
}
