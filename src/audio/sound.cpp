// The sound effect bank: 256 slots of one-shot buffers, filled once at
// start-up from the WAV files and played by id.
#include <cstdio>
#include <vector>

#include "audio/audio.h"
#include "audio/audio_file.h"
#include "core/data_files.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/headless.h"

SoundSlot sound_slots[SOUND_SLOT_COUNT];
uintptr_t sound_device = 0;

int audio_muted = 0;

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

namespace {

// The effects ask for pan control; nothing ever pans them.
constexpr int DSBCAPS_CTRLPAN = 0x40;

PlatSound* slot_buffer(int id)
{
    if (id < 0 || id >= SOUND_SLOT_COUNT) {
        return nullptr;
    }
    return sound_slots[id].buffer;
}

void clear_slot(int index)
{
    SoundSlot& slot = sound_slots[index];
    slot.buffer = nullptr;
    slot.state = SOUND_FREE;
    slot.file_rate = 0;
    slot.data_size = 0;
    slot.id = index;
}

}  // namespace

int snd_init()
{
    // The device is opened once and kept; without a sound card the silent
    // one keeps time, so this never fails.
    if (sound_device == 0) {
        sound_device = plat_audio_open();
    }
    for (int i = 0; i < SOUND_SLOT_COUNT; ++i) {
        if (sound_slots[i].buffer != nullptr) {
            plat_sound_stop(sound_slots[i].buffer);
            plat_sound_release(sound_slots[i].buffer);
        }
        clear_slot(i);
    }
    return 1;
}

int snd_load_wav(const char* file_name, int flags)
{
    (void)flags;  // capability bits: every buffer here plays the same way
    int index = -1;
    for (int i = 0; i < SOUND_SLOT_COUNT; ++i) {
        if (sound_slots[i].state == SOUND_FREE) {
            index = i;
            break;
        }
    }
    if (index < 0 || file_name == nullptr) {
        return -1;
    }
    std::vector<uint8_t> bytes;
    WavInfo info{};
    const int read = audio_read_file(file_name, static_cast<size_t>(SND_MAX_FILE_BYTES), &bytes);
    if (read != PLAT_FILE_OK) {
        audio_refused(file_name, read, nullptr);
        return -1;
    }
    if (!snd_parse_wav(bytes.data(), bytes.size(), &info)) {
        audio_refused(file_name, read, "not a PCM WAV file, or damaged");
        return -1;
    }
    // The buffer takes its own copy; a slot whose buffer cannot be made stays free.
    PlatSound* buffer = plat_sound_create(bytes.data() + info.data_offset, info.data_size);
    if (buffer == nullptr) {
        return -1;
    }
    SoundSlot& slot = sound_slots[index];
    slot.buffer = buffer;
    slot.file_rate = info.samples_per_sec;
    slot.data_size = static_cast<int>(info.data_size);
    slot.state = SOUND_LOADED;
    return index;
}

const SoundFile SOUND_FILES[SOUND_FILE_COUNT] = {
    {DATA_HORN, &sfx_horn},       {DATA_CAR, &sfx_car},       {DATA_EXPLOSION, &sfx_explosion},
    {DATA_TENFOUR, &sfx_tenfour}, {DATA_STORY1, &sfx_story1}, {DATA_MONSTER_ROAR, &sfx_monster},
    {DATA_YEEHAW, &sfx_yeehaw},   {DATA_CANNON, &sfx_cannon}, {DATA_BRAKE, &sfx_brake},
    {DATA_BEEP, &sfx_beep},       {DATA_STORY2, &sfx_story2}, {DATA_STORY3, &sfx_story3},
    {DATA_STORY4, &sfx_story4},
};

void snd_load_all()
{
    for (const SoundFile& sound : SOUND_FILES) {
        *sound.id = snd_load_wav(sound.file, DSBCAPS_CTRLPAN);
    }
    // The story's narration: the music steps down while it speaks.
    for (int id : {sfx_story1, sfx_story2, sfx_story3, sfx_story4}) {
        plat_sound_set_voice(slot_buffer(id), true);
    }
}

void snd_play(int id)
{
    if (audio_muted) {
        return;
    }
    plat_audio_log("snd_play", id);
    plat_sound_play(slot_buffer(id));
}

void snd_stop(int id)
{
    if (audio_muted) {
        return;
    }
    plat_audio_log("snd_stop", id);
    plat_sound_stop(slot_buffer(id));
}

bool snd_is_playing(int id)
{
    return plat_sound_is_playing(slot_buffer(id));
}

void snd_rewind(int id)
{
    if (audio_muted) {
        return;
    }
    plat_audio_log("snd_rewind", id);
    plat_sound_rewind(slot_buffer(id));
}

void snd_shutdown()
{
    if (sound_device == 0) {
        return;
    }
    // The buffers go with the device; the slots are left empty, so every id
    // still held simply plays nothing.
    for (int i = 0; i < SOUND_SLOT_COUNT; ++i) {
        if (sound_slots[i].buffer != nullptr) {
            plat_sound_release(sound_slots[i].buffer);
        }
        clear_slot(i);
    }
    plat_audio_close();
    sound_device = 0;
}
