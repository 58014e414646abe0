// Placeholders until the audio is written; removed piece by piece.
#include "audio/audio.h"

SoundSlot sound_slots[SOUND_SLOT_COUNT];
uintptr_t sound_device;
int sfx_horn = -1;
int sfx_car = -1;
int sfx_explosion = -1;
int sfx_tenfour = -1;
int sfx_story1 = -1;
int sfx_monster = -1;
int sfx_yeehaw = -1;
int sfx_cannon = -1;
int sfx_brake = -1;
int sfx_beep = -1;
int sfx_story2 = -1;
int sfx_story3 = -1;
int sfx_story4 = -1;
MusicSlot music_slots[MUSIC_SLOT_COUNT];
int music_current = -1;

int snd_init() { return 1; }
int snd_load_wav(const char*, int) { return -1; }
void snd_load_all() {}
void snd_play(int) {}
void snd_stop(int) {}
bool snd_is_playing(int) { return false; }
void snd_rewind(int) {}
void snd_shutdown() {}
int mus_init() { return 1; }
int mus_load_midi(const char*) { return -1; }
int mus_play(int) { return 0; }
int mus_stop(int) { return 0; }
int mus_status(int) { return 0; }
int mus_unload_all() { return 1; }
int mus_shutdown() { return 1; }
