// Shared between the files of the platform layer's display part: the one
// display (its visible surface and palette) and colour matching.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

struct PlatPalette {
    PlatPaletteEntry entries[256];
};

// The visible surface of the display and the palette attached to it; null
// until they exist.
PlatSurface* display_visible_surface();
PlatPalette* display_attached_palette();

// Index of the display palette's entry nearest to a colour (ties go to the
// lower index). Without a display palette a grey ramp stands in.
int display_nearest_index(ColorRef colour);

// The visible picture through the display palette as 640 x 480 0x00RRGGBB
// words, for the window. False before the display exists.
bool display_convert_visible(uint32_t* argb, int pitch_words);

// The window (window.cpp) shows the visible surface while it is open; both
// do nothing without one. A flip calls window_show_flip; a change made
// outside a flip (a write to the visible surface, its palette), which may
// come many at a time, calls window_show_soon, for the picture to be shown
// at the next look at the window's events.
void window_show_flip();
void window_show_soon();

// `text` in the game's face as a mask (1 where a letter is), for what the
// window draws over the picture; false when it cannot be drawn.
bool display_text_mask(const char* text, std::vector<uint8_t>* bits, int* width, int* height);
