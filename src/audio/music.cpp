// The MIDI music player: 64 slots of pieces read whole into memory at
// start-up, so that starting one later touches no file; one piece plays at a
// time, once, from its beginning.
#include <cstdio>
#include <vector>

#include "audio/audio.h"
#include "audio/audio_file.h"
#include "core/data_files.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/headless.h"

MusicSlot music_slots[MUSIC_SLOT_COUNT];
int music_current = -1;
int music_tracks[MUSIC_TRACK_COUNT];
int music_battle;

const MusicFile MUSIC_FILES[MUSIC_FILE_COUNT] = {
    {DATA_MUSIC_A, &music_tracks[0]},   {DATA_MUSIC_B, &music_tracks[1]}, {DATA_MUSIC_C, &music_tracks[2]},
    {DATA_MUSIC_D, &music_tracks[3]},   {DATA_MUSIC_E, &music_tracks[4]}, {DATA_MUSIC_F, &music_tracks[5]},
    {DATA_MUSIC_G, &music_tracks[6]},   {DATA_MUSIC_H, &music_tracks[7]}, {DATA_MUSIC_I, &music_tracks[8]},
    {DATA_BATTLE_MUSIC, &music_battle}, {DATA_FIGHT_MUSIC, nullptr},
};

namespace {

// Set by mus_init, cleared by mus_shutdown: loads need the player.
int music_player_ready = 0;

MusicSlot* loaded_slot(int id)
{
    if (id < 0 || id >= MUSIC_SLOT_COUNT) {
        return nullptr;
    }
    MusicSlot* slot = &music_slots[id];
    if (slot->segment == nullptr || slot->state == MUSIC_FREE) {
        return nullptr;
    }
    return slot;
}

}  // namespace

int mus_init()
{
    plat_music_init();
    for (int i = 0; i < MUSIC_SLOT_COUNT; ++i) {
        // A second start-up must not leak what the first one loaded.
        if (music_slots[i].segment != nullptr) {
            plat_music_release(music_slots[i].segment);
        }
        music_slots[i].segment = nullptr;
        music_slots[i].segment_state = nullptr;
        music_slots[i].state = MUSIC_FREE;
        music_slots[i].id = i;
    }
    music_current = -1;
    music_player_ready = 1;
    return 1;
}

int mus_load_midi(const char* file_name)
{
    int index = -1;
    for (int i = 0; i < MUSIC_SLOT_COUNT; ++i) {
        if (music_slots[i].state == MUSIC_FREE) {
            index = i;
            break;
        }
    }
    if (index < 0 || !music_player_ready || file_name == nullptr) {
        return -1;
    }
    std::vector<uint8_t> bytes;
    const int read = audio_read_file(file_name, PLAT_MUSIC_MAX_FILE_BYTES, &bytes);
    if (read != PLAT_FILE_OK) {
        audio_refused(file_name, read, nullptr);
        return -1;
    }
    PlatMusic* music = plat_music_create(bytes.data(), bytes.size());
    if (music == nullptr) {
        audio_refused(file_name, read, plat_music_refusal());
        return -1;
    }
    MusicSlot& slot = music_slots[index];
    slot.segment = music;
    slot.segment_state = nullptr;
    slot.state = MUSIC_LOADED;
    return index;
}

void mus_load_all()
{
    for (const MusicFile& piece : MUSIC_FILES) {
        const int id = mus_load_midi(piece.file);
        if (piece.id != nullptr) {
            *piece.id = id;
        }
    }
}

int mus_play(int id)
{
    if (audio_muted) {
        return 1;
    }
    plat_audio_log("mus_play", id);
    MusicSlot* slot = loaded_slot(id);
    if (slot == nullptr) {
        return 0;
    }
    if (music_current != -1) {
        mus_stop(music_current);
    }
    plat_music_play(slot->segment);
    music_current = id;
    slot->state = MUSIC_PLAYING;
    return 1;
}

int mus_stop(int id)
{
    if (audio_muted) {
        return 1;
    }
    plat_audio_log("mus_stop", id);
    MusicSlot* slot = loaded_slot(id);
    if (slot == nullptr) {
        return 0;
    }
    plat_music_stop(slot->segment);
    slot->state = MUSIC_STOPPED;
    music_current = -1;
    return 1;
}

int mus_status(int id)
{
    MusicSlot* slot = loaded_slot(id);
    if (slot == nullptr) {
        return 0;
    }
    slot->state = plat_music_is_playing(slot->segment) ? MUSIC_PLAYING : MUSIC_STOPPED;
    return slot->state;
}

int mus_unload_all()
{
    // music_current is left as it is: it may name a freed slot, on which
    // every operation does nothing.
    for (int i = 0; i < MUSIC_SLOT_COUNT; ++i) {
        MusicSlot& slot = music_slots[i];
        if (slot.segment != nullptr) {
            plat_music_release(slot.segment);
            slot.segment = nullptr;
            slot.segment_state = nullptr;
            slot.state = MUSIC_FREE;
        }
    }
    return 1;
}

int mus_shutdown()
{
    plat_music_stop_all();
    mus_unload_all();
    plat_music_shutdown();
    music_player_ready = 0;
    return 1;
}
