// Placeholders until the platform layer is written; removed piece by piece.
#include "platform/platform.h"

bool plat_key_down(int) { return false; }
void plat_wait_step() {}
bool plat_close_requested() { return false; }
uint32_t plat_get_tick_count() { return 1000; }
void plat_post_message(int, uintptr_t, intptr_t) {}
bool plat_peek_message(PlatMessage*) { return false; }
PlatDC* plat_get_dc(PlatSurface*) { return nullptr; }
void plat_release_dc(PlatSurface*, PlatDC*) {}
void plat_set_text_color(PlatDC*, ColorRef) {}
void plat_set_bk_transparent(PlatDC*) {}
void plat_text_out(PlatDC*, int, int, const char*, int) {}
void plat_set_pixel(PlatDC*, int, int, ColorRef) {}
PlatPen* plat_create_pen(int, ColorRef) { return nullptr; }
PlatPen* plat_select_pen(PlatDC*, PlatPen*) { return nullptr; }
void plat_delete_pen(PlatPen*) {}
void plat_move_to(PlatDC*, int, int) {}
void plat_line_to(PlatDC*, int, int) {}
int plat_window_create(bool, bool) { return 1; }
void plat_window_destroy() {}
bool plat_read_screen(uint8_t*) { return false; }
