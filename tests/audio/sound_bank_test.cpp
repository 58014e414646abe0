// The sound bank: WAV loading (well-formed and damaged files), the slot table,
// the load order of the thirteen effects, and the play-position rules of the
// four slot operations as the silent output keeps time pass by pass.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "audio/audio.h"
#include "audio_files.h"
#include "platform/audio.h"

using namespace audio_test;

namespace {

class SoundBank : public ::testing::Test {
protected:
    ScratchDir dir;

    void SetUp() override
    {
        force_silent_output();
        testing::internal::CaptureStderr();
        ASSERT_EQ(snd_init(), 1);
        testing::internal::GetCapturedStderr();
    }
    void TearDown() override { shut_down_audio(); }

    int load(const std::string& bytes)
    {
        dir.write("test.WAV", bytes);
        return snd_load_wav("test.WAV", 0x40);
    }
    static void passes(int count)
    {
        for (int i = 0; i < count; ++i) {
            plat_audio_end_pass();
        }
    }
    static uint32_t position(int id) { return plat_sound_position(sound_slots[id].buffer); }
};

TEST(SoundOutput, WithoutADeviceSaysSoOnceAndKeepsTimeSilently)
{
    ScratchDir dir;
    force_silent_output();
    testing::internal::CaptureStderr();
    EXPECT_EQ(snd_init(), 1);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(sound_device, 0u);
    EXPECT_EQ(plat_audio_mode(), PLAT_AUDIO_SILENT);
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;

    // A second start-up keeps the device and says nothing more.
    testing::internal::CaptureStderr();
    EXPECT_EQ(snd_init(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    shut_down_audio();
    EXPECT_EQ(sound_device, 0u);
}

TEST_F(SoundBank, PlainAndOtherPcmLayoutsLoadAndRecordTheirFormat)
{
    int id = load(wav(samples(1000, 200)));
    ASSERT_EQ(id, 0);
    EXPECT_EQ(sound_slots[0].state, SOUND_LOADED);
    EXPECT_EQ(sound_slots[0].file_rate, 11025);
    EXPECT_EQ(sound_slots[0].data_size, 1000);
    EXPECT_NE(sound_slots[0].buffer, nullptr);
    EXPECT_EQ(sound_slots[0].id, 0);

    // 16-bit stereo 22050 Hz: accepted; its bytes will play as 8-bit mono.
    id = load(riff(chunk("fmt ", format_fields(1, 2, 22050, 16)) + chunk("data", samples(4000, 7))));
    ASSERT_EQ(id, 1);
    EXPECT_EQ(sound_slots[1].file_rate, 22050);
    EXPECT_EQ(sound_slots[1].data_size, 4000);

    // An 18-byte format chunk (with its extra-size field), and an odd-sized
    // chunk before the data, whose pad byte the walk must skip.
    id = load(riff(chunk("fmt ", format_fields(1, 1, 8000, 8) + le16(0)) + chunk("LIST", "abc") +
                   chunk("data", samples(10, 1))));
    ASSERT_EQ(id, 2);
    EXPECT_EQ(sound_slots[2].file_rate, 8000);
    EXPECT_EQ(sound_slots[2].data_size, 10);
}

TEST_F(SoundBank, ShortFormatChunkNeedsTheDataThatFollows)
{
    // 16-byte format chunk followed by "data": loads.
    EXPECT_EQ(load(riff(chunk("fmt ", format_fields(1, 1, 11025, 8)) + chunk("data", samples(50, 9)))), 0);
    // A file that ends right after a 16-byte format chunk: no.
    EXPECT_EQ(load(riff(chunk("fmt ", format_fields(1, 1, 11025, 8)))), -1);
    // A shorter PCM format chunk loads too (18 bytes are read whatever its size).
    EXPECT_EQ(load(riff(chunk("fmt ", format_fields(1, 1, 22050, 8).substr(0, 14)) + chunk("data", samples(50, 9)))),
              1);
    EXPECT_EQ(sound_slots[1].file_rate, 22050);
    EXPECT_EQ(sound_slots[1].data_size, 50);
}

TEST_F(SoundBank, FilesThatAreNotPcmWavesAreRefusedAndLeaveTheSlotFree)
{
    EXPECT_EQ(load(riff(chunk("fmt ", format_fields(2, 1, 11025, 4)) + chunk("data", samples(64, 0)))), -1);  // ADPCM
    EXPECT_EQ(load(""), -1);
    EXPECT_EQ(load("RIFF"), -1);
    EXPECT_EQ(load("hello, this is not a sound file at all"), -1);
    EXPECT_EQ(load("RIFF" + le32(30) + "AVI " + chunk("fmt ", format_fields(1, 1, 11025, 8))), -1);
    EXPECT_EQ(load(riff(chunk("fmt ", format_fields(1, 1, 11025, 8)) + chunk("junk", samples(20, 0)))), -1);
    EXPECT_EQ(load(riff(chunk("fmt ", format_fields(1, 1, 11025, 8)) + chunk("data", ""))), -1);  // nothing to play
    EXPECT_EQ(snd_load_wav("no such file.WAV", 0), -1);
    EXPECT_EQ(snd_load_wav(".", 0), -1);  // a directory
    EXPECT_EQ(snd_load_wav(nullptr, 0), -1);
    EXPECT_EQ(sound_slots[0].state, SOUND_FREE);
    EXPECT_EQ(sound_slots[0].buffer, nullptr);
    EXPECT_EQ(load(wav(samples(10, 128))), 0);
}

TEST_F(SoundBank, SizeFieldsNeverLeadOutsideTheFile)
{
    std::string fmt = chunk("fmt ", format_fields(1, 1, 11025, 8));
    // A data chunk that claims more than the file holds plays what is there
    // (the file is 144 bytes long).
    std::string body = fmt + chunk("data", samples(100, 60), 120);
    ASSERT_EQ(load(riff(body)), 0);
    EXPECT_EQ(sound_slots[0].data_size, 100);
    // The same when the RIFF chunk also claims more than there is.
    ASSERT_EQ(load(riff(body, body.size() + 4 + 8)), 1);
    EXPECT_EQ(sound_slots[1].data_size, 100);
    // A RIFF chunk that claims less ends the walk there.
    ASSERT_EQ(load(riff(fmt + chunk("data", samples(100, 60)), 4 + fmt.size() + 8 + 30)), 2);
    EXPECT_EQ(sound_slots[2].data_size, 30);
    // A file cut inside its samples, sizes still within the file's length.
    std::string whole = wav(samples(20, 1));
    ASSERT_EQ(load(whole.substr(0, 60)), 3);
    EXPECT_EQ(sound_slots[3].data_size, 16);

    // Sizes larger than the whole file are damage: refused, never allocated.
    EXPECT_EQ(load(riff(fmt + chunk("data", samples(100, 60), 145))), -1);
    EXPECT_EQ(load(riff(fmt + chunk("data", samples(100, 60), 0xFFFFFFF0u))), -1);
    EXPECT_EQ(load(riff(fmt + chunk("data", samples(100, 60)), 0x7FFFFFFF)), -1);
    EXPECT_EQ(load(riff(chunk("fmt ", format_fields(1, 1, 11025, 8), 0x10000000) + chunk("data", samples(9, 1)))), -1);
    EXPECT_EQ(load(riff(fmt + chunk("LIST", "x", 0x80000000u) + chunk("data", samples(9, 1)))), -1);
    // A chunk before "data" that runs off the end hides it.
    EXPECT_EQ(load(riff(fmt + chunk("LIST", "xx", 60) + chunk("data", samples(9, 1)))), -1);
    // Cut so short that the RIFF size is more than the whole file.
    for (size_t cut : {size_t(4), size_t(11), size_t(20), size_t(35), size_t(43), size_t(50)}) {
        EXPECT_EQ(load(whole.substr(0, cut)), -1) << "cut at " << cut;
    }
    EXPECT_EQ(sound_slots[4].state, SOUND_FREE);
}

TEST_F(SoundBank, TheTableHandsOutTheLowestFreeSlotAndHolds256)
{
    dir.write("s.WAV", wav(samples(4, 130)));
    for (int i = 0; i < SOUND_SLOT_COUNT; ++i) {
        ASSERT_EQ(snd_load_wav("s.WAV", 0), i);
    }
    std::array<PlatSound*, SOUND_SLOT_COUNT> before{};
    for (int i = 0; i < SOUND_SLOT_COUNT; ++i) {
        before[i] = sound_slots[i].buffer;
    }
    EXPECT_EQ(snd_load_wav("s.WAV", 0), -1);  // the 257th
    for (int i = 0; i < SOUND_SLOT_COUNT; ++i) {
        EXPECT_EQ(sound_slots[i].buffer, before[i]);
        EXPECT_EQ(sound_slots[i].state, SOUND_LOADED);
    }

    // A new start-up empties the bank.
    EXPECT_EQ(snd_init(), 1);
    for (int i = 0; i < SOUND_SLOT_COUNT; ++i) {
        EXPECT_EQ(sound_slots[i].state, SOUND_FREE);
        EXPECT_EQ(sound_slots[i].buffer, nullptr);
        EXPECT_EQ(sound_slots[i].data_size, 0);
        EXPECT_EQ(sound_slots[i].id, i);
    }
    EXPECT_EQ(snd_load_wav("s.WAV", 0), 0);
}

TEST_F(SoundBank, TheThirteenEffectsLoadInOrder)
{
    const char* names[] = {"horn.WAV",    "car.WAV",    "exp.WAV",  "tenfour.WAV", "story1.WAV",
                           "monster.WAV", "yeehaw.WAV", "cannon.WAV", "brake.WAV",  "beep1.WAV",
                           "story2.WAV",  "story3.WAV", "story4.WAV"};
    for (const char* name : names) {
        dir.write(name, wav(samples(16, 140)));
    }
    snd_load_all();
    int ids[] = {sfx_horn,    sfx_car,    sfx_explosion, sfx_tenfour, sfx_story1, sfx_monster, sfx_yeehaw,
                 sfx_cannon,  sfx_brake,  sfx_beep,      sfx_story2,  sfx_story3, sfx_story4};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(ids[i], i) << names[i];
    }

    // Without "exp.WAV" that effect is -1 and the later ones move down a slot.
    std::filesystem::remove(dir.path / "exp.WAV");
    snd_init();
    snd_load_all();
    EXPECT_EQ(sfx_car, 1);
    EXPECT_EQ(sfx_explosion, -1);
    EXPECT_EQ(sfx_tenfour, 2);
    EXPECT_EQ(sfx_story4, 11);
}

TEST_F(SoundBank, PlayPositionFollowsTheFourOperations)
{
    // 1000 samples: a pass moves 363.825 samples, so it ends in the third pass.
    int id = load(wav(samples(1000, 200)));
    ASSERT_EQ(id, 0);

    EXPECT_FALSE(snd_is_playing(id));  // before the first play
    passes(5);
    EXPECT_EQ(position(id), 0u);  // a stopped sound does not move

    snd_play(id);
    EXPECT_TRUE(snd_is_playing(id));
    passes(2);
    EXPECT_TRUE(snd_is_playing(id));
    EXPECT_EQ(position(id), 727u);
    passes(1);
    EXPECT_FALSE(snd_is_playing(id));  // played to its end
    EXPECT_EQ(position(id), 0u);       // and back at the start

    // Stop keeps the position; play goes on from it.
    snd_play(id);
    passes(2);
    snd_stop(id);
    EXPECT_FALSE(snd_is_playing(id));
    passes(3);
    EXPECT_EQ(position(id), 727u);
    snd_play(id);
    EXPECT_TRUE(snd_is_playing(id));
    passes(1);
    EXPECT_FALSE(snd_is_playing(id));  // 727 + 363 passed the end

    // Stop, rewind, play starts over.
    snd_play(id);
    passes(2);
    snd_stop(id);
    snd_rewind(id);
    EXPECT_EQ(position(id), 0u);
    EXPECT_FALSE(snd_is_playing(id));
    snd_play(id);
    passes(2);
    EXPECT_TRUE(snd_is_playing(id));
    EXPECT_EQ(position(id), 727u);

    // Play on a playing sound does not restart it.
    snd_play(id);
    EXPECT_EQ(position(id), 727u);
    EXPECT_TRUE(snd_is_playing(id));

    // Rewind on a playing sound starts it over at once, still playing.
    snd_rewind(id);
    EXPECT_EQ(position(id), 0u);
    EXPECT_TRUE(snd_is_playing(id));
    passes(2);
    EXPECT_TRUE(snd_is_playing(id));
    passes(1);
    EXPECT_FALSE(snd_is_playing(id));
}

TEST_F(SoundBank, PassesKeepTheFractionsOfASample)
{
    // Ten passes are 3638.25 samples; dropping fractions would give 3630.
    int id = load(wav(samples(3639, 100)));
    snd_play(id);
    passes(10);
    EXPECT_EQ(position(id), 3638u);
    EXPECT_TRUE(snd_is_playing(id));
    passes(1);
    EXPECT_FALSE(snd_is_playing(id));

    // Sounds advance side by side, each on its own.
    int a = load(wav(samples(400, 1)));
    int b = load(wav(samples(800, 1)));
    snd_play(a);
    snd_play(b);
    passes(1);
    EXPECT_TRUE(snd_is_playing(a));
    EXPECT_TRUE(snd_is_playing(b));
    passes(1);
    EXPECT_FALSE(snd_is_playing(a));
    EXPECT_TRUE(snd_is_playing(b));
}

TEST_F(SoundBank, OperationsOnMissingSoundsDoNothing)
{
    int id = load(wav(samples(1000, 200)));
    snd_play(id);
    for (int bad : {-1, 1, 255, 256, -7, 1 << 30}) {
        snd_play(bad);
        snd_stop(bad);
        snd_rewind(bad);
        EXPECT_FALSE(snd_is_playing(bad)) << bad;
    }
    passes(1);
    EXPECT_TRUE(snd_is_playing(id));
    EXPECT_EQ(position(id), 363u);

    // After shutdown every id is silent, and nothing is left to play.
    shut_down_audio();
    snd_play(id);
    EXPECT_FALSE(snd_is_playing(id));
    plat_audio_end_pass();
}

}  // namespace
