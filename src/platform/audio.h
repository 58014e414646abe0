// The sound output: one mixer of our own for the one-shot sound buffers and
// the MIDI music, fed to a single SDL audio device by its callback.
// Without a device (headless mode, or none could be opened) the same mixer
// keeps time silently: sounds advance at the end of every frame-loop pass and
// music counts milliseconds on the game's tick clock.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int PLAT_AUDIO_RATE = 44100;  // device rate, stereo, 16-bit
constexpr int PLAT_SOUND_RATE = 11025;  // every sound buffer: 8-bit unsigned mono
constexpr int PLAT_AUDIO_MAX_SOUNDS = 256;

// How the mixer is driven.
constexpr int PLAT_AUDIO_CLOSED = 0;
constexpr int PLAT_AUDIO_SILENT = 1;   // no device: time kept by passes and the tick clock
constexpr int PLAT_AUDIO_DEVICE = 2;   // a real device; its callback mixes
constexpr int PLAT_AUDIO_OFFLINE = 3;  // no device; plat_audio_mix is called by hand

struct PlatSound;
struct PlatMusic;

// Opens the sound output once: the real device, or (in headless mode, or
// when no device can be had, with one line on stderr) the silent one.
// Returns a non-zero handle; opening never fails.
uintptr_t plat_audio_open();
// A mixer that no device drives, for rendering by hand (benchmarks, tests).
uintptr_t plat_audio_open_offline();
// Stops the device, releases every sound and music still held, and the synth.
void plat_audio_close();
int plat_audio_mode();

// The callback's work: mixes `frames` stereo frames into `out` (interleaved,
// left first). Used by the device callback and in offline mode.
void plat_audio_mix(int16_t* out, int frames);
// The level of a sound in the mix against its samples, and the limiter's
// ceiling: no output sample is ever further from 0 than that.
constexpr float PLAT_MIX_EFFECTS_GAIN = 0.4f;
constexpr float PLAT_MIX_CEILING = 30000.0f;

// The player's volumes, 0 .. 100, heard from the next block the mixer makes.
void plat_audio_set_volumes(int music, int effects);

// The parts of the mix: music, the sound effects, and the voices (the
// narration, under which the music steps down by 8 dB). All are heard; a
// measurement of the mix hears them one at a time, each exactly as in the
// whole mix (the music ducks under a voice whether or not it is heard).
constexpr unsigned PLAT_STEM_MUSIC = 1;
constexpr unsigned PLAT_STEM_EFFECTS = 2;
constexpr unsigned PLAT_STEM_VOICE = 4;
constexpr unsigned PLAT_STEM_ALL = 7;
void plat_audio_set_stems(unsigned parts);

// Called by the shell once at the end of every frame-loop pass. Without a
// device it advances every playing sound by 11025 x 33 / 1000 samples
// (fractions kept); with one it does nothing, the callback keeps time.
void plat_audio_end_pass();
// Holds the device's sound (the game is paused) or lets it go on.
void plat_audio_pause(bool paused);
// Sounds keep time by the frame loop's passes even with a device, which
// plays them as they go: a recorded session then replays exactly, since
// whether a sound still plays is part of the game's state. Opening the
// output sets it as the backend asks.
void plat_audio_keep_pass_time(bool on);

// ---------------------------------------------------------------------------
// One-shot sound buffers: 8-bit unsigned mono at 11025 Hz.

// Copies `size` sample bytes into a new stopped buffer at position 0.
// Null when size is 0, the output is closed, or too many buffers exist.
PlatSound* plat_sound_create(const uint8_t* samples, uint32_t size);
void plat_sound_release(PlatSound* sound);
// Marks a buffer as a voice (the narration) or an effect.
void plat_sound_set_voice(PlatSound* sound, bool voice);
// Starts a stopped buffer from its position; a playing one goes on as it is.
void plat_sound_play(PlatSound* sound);
// Halts it, keeping its position.
void plat_sound_stop(PlatSound* sound);
// Position back to 0: a playing buffer starts over at once.
void plat_sound_rewind(PlatSound* sound);
bool plat_sound_is_playing(PlatSound* sound);
// The play position in samples (whole samples played so far).
uint32_t plat_sound_position(PlatSound* sound);

// ---------------------------------------------------------------------------
// MIDI music: a standard MIDI file parsed into memory once, rendered by a
// FluidSynth synthesiser with a General MIDI SoundFont. One piece plays at a
// time.

// Creates the synthesiser when a mixer that renders is open (device or
// offline) and a SoundFont is found; otherwise music is silent (said once on
// stderr) but still keeps time. Returns 1.
int plat_music_init();
void plat_music_shutdown();
// True when a synthesiser with a SoundFont renders the music.
bool plat_music_audible();

// Files larger than this are not music for this game; refused unread.
constexpr size_t PLAT_MUSIC_MAX_FILE_BYTES = 8u << 20;

// A piece is kept in memory as its events, 16 bytes each, for the whole
// run; a file with more than this many is refused, which bounds what the
// eleven pieces can take (and the time their loading can take).
constexpr size_t PLAT_MUSIC_MAX_EVENTS = 1u << 18;

// Parses a standard MIDI file held in memory. Null when the bytes are not
// one or hold too many events; plat_music_refusal then says which.
PlatMusic* plat_music_create(const uint8_t* bytes, size_t size);
const char* plat_music_refusal();
// Stops it if it plays, then frees it.
void plat_music_release(PlatMusic* music);
// Starts it from its beginning, replacing whatever piece plays.
void plat_music_play(PlatMusic* music);
// Stops it at once if it is the piece playing; otherwise does nothing.
void plat_music_stop(PlatMusic* music);
void plat_music_stop_all();
// True from plat_music_play until it is stopped or has played to its end.
bool plat_music_is_playing(PlatMusic* music);
// The piece's length in milliseconds, from its last event and tempo map.
uint32_t plat_music_length_ms(const PlatMusic* music);
