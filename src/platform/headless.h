// The headless seams: virtual clock, scripted keyboard, audio call log.
// The shell sets them up from the command line; the rest of the platform
// layer and the audio code consult them.
#pragma once

#include <cstdint>

// True when running without window, audio device or real clock.
bool plat_is_headless();

// Virtual clock and scripted keys (headless mode only).
uint32_t headless_tick_count();
bool headless_key_down(int vk);
void headless_wait_step();

// One line of the audio log per sound or music call ("<pass> <op> <id>"),
// when an audio log was asked for. Called by the audio code in every mode.
void plat_audio_log(const char* operation, int id);
