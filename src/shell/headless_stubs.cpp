// Placeholders until the headless harness is written.
#include "platform/headless.h"

bool plat_is_headless() { return false; }
uint32_t headless_tick_count() { return 1000; }
bool headless_key_down(int) { return false; }
void headless_wait_step() {}
void plat_audio_log(const char*, int) {}
