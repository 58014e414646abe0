// Audio: the sound effect bank and the MIDI music player.
#pragma once

#include <cstddef>
#include <cstdint>

// While set, starting, stopping and rewinding sounds and music does nothing
// and is not logged: for trying moves on the game without being heard.
extern int audio_muted;

// ---------------------------------------------------------------------------
// Sound effect bank

constexpr int SOUND_SLOT_COUNT = 256;
constexpr int SOUND_FREE = 0;
constexpr int SOUND_LOADED = 1;

struct PlatSound;

struct SoundSlot {
    PlatSound* buffer;  // null when free
    int state;          // SOUND_FREE or SOUND_LOADED
    int file_rate;      // the file's stated sample rate; recorded only
    int data_size;      // bytes of sample data
    int id;             // the slot's own index
};

extern SoundSlot sound_slots[SOUND_SLOT_COUNT];

// The sound device (a handle of the platform layer; non-zero once created).
extern uintptr_t sound_device;

extern int sfx_horn;
extern int sfx_car;
extern int sfx_explosion;
extern int sfx_tenfour;
extern int sfx_story1;
extern int sfx_monster;
extern int sfx_yeehaw;
extern int sfx_cannon;
extern int sfx_brake;
extern int sfx_beep;
extern int sfx_story2;
extern int sfx_story3;
extern int sfx_story4;

// Every sound of the game: its file and the id it is played by, in the order
// the bank loads them (the slots are handed out in that order).
struct SoundFile {
    const char* file;
    int* id;
};
constexpr int SOUND_FILE_COUNT = 13;
extern const SoundFile SOUND_FILES[SOUND_FILE_COUNT];

int snd_init();  // 1 ready, 0 failed (game_init then fails)
int snd_load_wav(const char* file_name, int flags);
void snd_load_all();
void snd_play(int id);
void snd_stop(int id);
bool snd_is_playing(int id);
void snd_rewind(int id);
void snd_shutdown();  // releases the sound device (last audio step of shutdown)

// The RIFF walk of a WAV file held in memory. Every offset and size it gives
// lies inside the bytes it was handed, whatever the file's size fields say.
struct WavInfo {
    int format_tag;
    int channels;
    int samples_per_sec;
    int bits_per_sample;
    uint32_t data_offset;  // first sample byte
    uint32_t data_size;    // sample bytes present (a short file gives what it holds)
};
// WAV files larger than this are refused unread.
constexpr long SND_MAX_FILE_BYTES = 64L << 20;
// 1 when the bytes are a RIFF WAVE file with a PCM format chunk and a
// non-empty data chunk, else 0.
int snd_parse_wav(const uint8_t* bytes, size_t size, WavInfo* info);

// ---------------------------------------------------------------------------
// MIDI music

constexpr int MUSIC_SLOT_COUNT = 64;
constexpr int MUSIC_FREE = 0;
constexpr int MUSIC_LOADED = 1;
constexpr int MUSIC_PLAYING = 2;
constexpr int MUSIC_STOPPED = 3;

struct PlatMusic;

struct MusicSlot {
    PlatMusic* segment;  // the loaded music; null when free
    void* segment_state;
    int id;
    int state;
};

extern MusicSlot music_slots[MUSIC_SLOT_COUNT];
extern int music_current;

// The radio stations (A.MID .. I.MID) and the battle music, by slot id.
constexpr int MUSIC_TRACK_COUNT = 9;
extern int music_tracks[MUSIC_TRACK_COUNT];
extern int music_battle;
// Every piece of the game in the order the player loads them: the stations,
// the battle, and a fight piece that is loaded but never played (null id).
struct MusicFile {
    const char* file;
    int* id;
};
constexpr int MUSIC_FILE_COUNT = MUSIC_TRACK_COUNT + 2;
extern const MusicFile MUSIC_FILES[MUSIC_FILE_COUNT];

int mus_init();
int mus_load_midi(const char* file_name);
// Loads every piece of MUSIC_FILES, in order, into its id.
void mus_load_all();
int mus_play(int id);
int mus_stop(int id);
int mus_status(int id);
int mus_unload_all();
int mus_shutdown();
