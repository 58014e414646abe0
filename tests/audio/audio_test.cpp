// The sound bank, the music player and the mixer: WAV and MIDI loading
// (well-formed and damaged files), the play-position rules of the four slot
// operations as the silent output keeps time pass by pass, one current piece
// and its end by the virtual clock, a piece's length from its tracks and
// tempo map, the audio log; and
// the mix as the device callback makes it: 11025 Hz sounds stretched to
// 44100 Hz stereo, summed with clipping, ending exactly at their last sample,
// with the music's sequencer and synthesiser underneath.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "core/data_files.h"
#include "platform/audio.h"
#include "platform/headless.h"
#include "platform/settings.h"
#include "support/fields.h"
#include "support/run.h"

// Small WAV and MIDI files made on the spot, a scratch directory per test,
// and the fixture that starts the sound bank and the music player.
namespace {

using test_support::fields_are;

// Little- and big-endian integers of `bytes` bytes.
inline std::string le(uint32_t v, int bytes)
{
    return bytes ? char(v & 0xFF) + le(v >> 8, bytes - 1) : "";
}
inline std::string be(uint32_t v, int bytes)
{
    return bytes ? be(v >> 8, bytes - 1) + char(v & 0xFF) : "";
}
inline std::string bytes_of(size_t count, int value)
{
    return std::string(count, char(value));
}

// A chunk whose size field says `claimed` (the true size unless given),
// padded to an even length when the payload is odd.
inline std::string chunk(const std::string& id, const std::string& payload, int64_t claimed = -1)
{
    std::string s = id + le(claimed < 0 ? payload.size() : uint32_t(claimed), 4) + payload;
    return payload.size() % 2 == 1 && claimed < 0 ? s + '\0' : s;
}
inline std::string riff(const std::string& body, int64_t claimed = -1)
{
    return "RIFF" + le(claimed < 0 ? body.size() + 4 : uint32_t(claimed), 4) + "WAVE" + body;
}
// The 16 bytes of a PCM format chunk's fields.
inline std::string fmt_fields(int tag, int channels, int rate, int bits)
{
    int block = channels * bits / 8;
    return le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * block, 4) + le(block, 2) + le(bits, 2);
}
inline const std::string FMT = chunk("fmt ", fmt_fields(1, 1, 11025, 8));
// A plain 8-bit mono 11025 Hz PCM file.
inline std::string wav(const std::string& data)
{
    return riff(FMT + chunk("data", data));
}

// A MIDI file: header plus the given track bodies (each wrapped in MTrk).
inline std::string midi(int format, int division, std::initializer_list<std::string> tracks)
{
    std::string s = "MThd" + be(6, 4) + be(format, 2) + be(tracks.size(), 2) + be(division, 2);
    for (const std::string& t : tracks) {
        s += "MTrk" + be(t.size(), 4) + t;
    }
    return s;
}
// One event: a delta time as a variable-length number, then its bytes.
inline std::string ev(uint32_t delta, std::initializer_list<int> bytes)
{
    std::string s(1, char(delta & 0x7F));
    while ((delta >>= 7) != 0) {
        s.insert(s.begin(), char(0x80 | (delta & 0x7F)));
    }
    for (int b : bytes) {
        s += char(b);
    }
    return s;
}
inline std::string tempo(uint32_t delta, uint32_t us)
{
    return ev(delta, {0xFF, 0x51, 3, int(us >> 16), int(us >> 8) & 255, int(us) & 255});
}
inline std::string end_of_track(uint32_t delta)
{
    return ev(delta, {0xFF, 0x2F, 0x00});
}
// `notes` piano notes of `ticks` each, 480 ticks (0.5 s) to the quarter.
inline std::string tune(int notes, uint32_t ticks)
{
    std::string t = ev(0, {0xC0, 0});
    for (int i = 0; i < notes; ++i) {
        t += ev(0, {0x90, 60 + i % 12, 100}) + ev(ticks, {0x80, 60 + i % 12, 0});
    }
    return midi(0, 480, {t + end_of_track(0)});
}

using test_support::read_text;

// A fresh directory for the test; the working directory moves into it and back.
struct ScratchDir {
    std::filesystem::path previous = std::filesystem::current_path(), path;
    ScratchDir()
    {
        char name[] = "/tmp/tailgate_audio_XXXXXX";
        path = mkdtemp(name);
        std::filesystem::current_path(path);
    }
    ~ScratchDir()
    {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
    void write(const std::string& name, const std::string& bytes) const
    {
        test_support::write_text(path / name, bytes);
    }
};

// What the mixer makes of the next `frames` stereo frames.
inline std::vector<int16_t> mix(int frames)
{
    std::vector<int16_t> out(2 * frames, 12345);
    plat_audio_mix(out.data(), frames);
    return out;
}

inline void shut_down_audio()
{
    mus_shutdown();
    snd_shutdown();
    plat_audio_close();
}

// The bank and the player started as in a headless run: no device, the
// virtual clock at 1000. Subclasses pick another output in open_output().
class AudioTest : public ::testing::Test {
protected:
    ScratchDir dir;

    virtual void open_output() { plat_use_backend(PLAT_HEADLESS, 1000); }
    void SetUp() override
    {
        open_output();
        testing::internal::CaptureStderr();
        ASSERT_EQ(snd_init(), 1);
        ASSERT_EQ(mus_init(), 1);
        testing::internal::GetCapturedStderr();
    }
    void TearDown() override
    {
        shut_down_audio();
        plat_use_backend(PLAT_WINDOW, 1000);
    }
    int load_wav(const std::string& bytes)
    {
        dir.write("t.WAV", bytes);
        return snd_load_wav("t.WAV", 0x40);
    }
    int load_midi(const std::string& bytes)
    {
        dir.write("t.MID", bytes);
        return mus_load_midi("t.MID");
    }
    static uint32_t position(int id) { return plat_sound_position(sound_slots[id].buffer); }
    static uint32_t passes(int count, int id)  // the sound's position after them
    {
        for (int i = 0; i < count; ++i) {
            plat_audio_end_pass();
        }
        return position(id);
    }
    static uint32_t length_ms(int id) { return plat_music_length_ms(music_slots[id].segment); }
};

using SoundBank = AudioTest;

// Loaded files record their rate and size (-1: refused); size fields never
// lead outside the file.
TEST_F(SoundBank, FilesLoadWhateverTheirLayoutAndDamageIsRefused)
{
    const std::string body = FMT + chunk("data", bytes_of(100, 60), 120), whole = wav(bytes_of(20, 1));
    const struct {
        std::string file;
        int size, rate;
    } cases[] = {
        {wav(bytes_of(1000, 200)), 1000, 11025},
        // 16-bit stereo 22050 Hz: accepted; its bytes play as 8-bit mono.
        {riff(chunk("fmt ", fmt_fields(1, 2, 22050, 16)) + chunk("data", bytes_of(4000, 7))), 4000, 22050},
        // An 18-byte format chunk, and an odd-sized chunk whose pad byte the walk skips.
        {riff(chunk("fmt ", fmt_fields(1, 1, 8000, 8) + le(0, 2)) + chunk("LIST", "abc") + chunk("data", "0123")), 4,
         8000},
        // Shorter than 16 bytes: 18 bytes are read from its start whatever its size.
        {riff(chunk("fmt ", fmt_fields(1, 1, 22050, 8).substr(0, 14)) + chunk("data", bytes_of(50, 9))), 50, 22050},
        // A data chunk that claims more than the file holds plays what is
        // there, also when the RIFF chunk claims more too; a RIFF chunk that
        // claims less ends the walk there.
        {riff(body), 100, 11025},
        {riff(body, body.size() + 12), 100, 11025},
        {riff(FMT + chunk("data", bytes_of(100, 60)), 4 + FMT.size() + 8 + 30), 30, 11025},
        {riff(chunk("fmt ", fmt_fields(2, 1, 11025, 4)) + chunk("data", bytes_of(64, 0))), -1, 0},  // ADPCM
        {riff(FMT), -1, 0},  // ends right after a 16-byte format chunk
        {riff(FMT + chunk("junk", bytes_of(20, 0))), -1, 0},
        {riff(FMT + chunk("data", "")), -1, 0},
        {"RIFF" + le(30, 4) + "AVI " + FMT, -1, 0},
        {"", -1, 0},
        {whole.substr(0, 20), -1, 0},
        {whole.substr(0, 43), -1, 0},
        // Sizes larger than the whole file (144 bytes) are damage: refused, never allocated.
        {riff(FMT + chunk("data", bytes_of(100, 60), 145)), -1, 0},
        {riff(FMT + chunk("data", bytes_of(100, 60), 0xFFFFFFF0u)), -1, 0},
        {riff(FMT + chunk("data", bytes_of(100, 60)), 0x7FFFFFFF), -1, 0},
        {riff(chunk("fmt ", fmt_fields(1, 1, 11025, 8), 0x10000000) + chunk("data", "ab")), -1, 0},
        {riff(FMT + chunk("LIST", "xx", 60) + chunk("data", bytes_of(9, 1))), -1, 0},  // runs off the end
    };
    int next = 0;
    for (const auto& c : cases) {
        int id = load_wav(c.file);
        ASSERT_EQ(id, c.size < 0 ? -1 : next) << "case " << &c - cases;
        if (id >= 0) {
            EXPECT_EQ(sound_slots[next++].state, SOUND_LOADED);
            EXPECT_EQ(std::pair(sound_slots[id].data_size, sound_slots[id].file_rate), std::pair(c.size, c.rate)) << id;
        }
    }
    for (const char* name : {"no such file.WAV", ".", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(snd_load_wav(name, 0), -1);
    }
    EXPECT_EQ(sound_slots[next].state, SOUND_FREE);
    EXPECT_EQ(sound_slots[next].buffer, nullptr);
}

TEST_F(SoundBank, PlayPositionFollowsTheFourOperations)
{
    // 1000 samples: a pass moves 363.825 of them (fractions kept: two make
    // 727, not 726), so the sound ends in the third. Each step: operations
    // (play, stop, rewind), passes, then the position and the state.
    const struct {
        const char* ops;
        int passes;
        uint32_t at;
        bool playing;
    } steps[] = {
        {"", 5, 0, false},                           // not playing before the first play; a stopped sound does not move
        {"p", 2, 727, true}, {"", 1, 0, false},      // played to its end, back at the start
        {"p", 2, 727, true}, {"s", 3, 727, false},   // stop keeps the position
        {"p", 1, 0, false},                          // play goes on from it: 727 + 363 passed the end
        {"p", 2, 727, true}, {"srp", 2, 727, true},  // stop, rewind, play starts over
        {"p", 0, 727, true},                         // play on a playing sound does not restart it
        {"r", 2, 727, true},                         // rewind restarts it at once
    };
    int id = load_wav(wav(bytes_of(1000, 200)));
    for (const auto& step : steps) {
        for (const char* op = step.ops; *op; ++op) {
            *op == 'p' ? snd_play(id) : *op == 's' ? snd_stop(id) : snd_rewind(id);
        }
        EXPECT_EQ(passes(step.passes, id), step.at) << &step - steps;
        EXPECT_EQ(snd_is_playing(id), step.playing) << &step - steps;
    }

    // Operations on missing sounds leave it alone; after shutdown every id is silent.
    for (int bad : {-1, 1, 255, 256, 1 << 30}) {
        snd_play(bad);
        snd_stop(bad);
        snd_rewind(bad);
        EXPECT_FALSE(snd_is_playing(bad)) << bad;
    }
    EXPECT_TRUE(snd_is_playing(id));
    EXPECT_EQ(position(id), 727u);
    shut_down_audio();
    snd_play(id);
    EXPECT_FALSE(snd_is_playing(id));
}

// Every sound of the game sits in the slot its id names, its own file's
// samples there; muted, no sound starts, stops or rewinds, or is logged.
TEST_F(SoundBank, EachSoundIdHoldsItsOwnFileAndMutedNothingIsHeard)
{
    for (const SoundFile& sound : SOUND_FILES) {
        dir.write(sound.file, test_support::read_text(std::string(TAILGATE_DATA_DIR) + "/" + sound.file));
    }
    snd_load_all();
    const std::pair<const int*, const char*> own[] = {
        {&sfx_horn, DATA_HORN},       {&sfx_car, DATA_CAR},       {&sfx_explosion, DATA_EXPLOSION},
        {&sfx_tenfour, DATA_TENFOUR}, {&sfx_story1, DATA_STORY1}, {&sfx_monster, DATA_MONSTER_ROAR},
        {&sfx_yeehaw, DATA_YEEHAW},   {&sfx_cannon, DATA_CANNON}, {&sfx_brake, DATA_BRAKE},
        {&sfx_beep, DATA_BEEP},       {&sfx_story2, DATA_STORY2}, {&sfx_story3, DATA_STORY3},
        {&sfx_story4, DATA_STORY4}};
    for (const auto& [id, file] : own) {
        const std::string bytes = test_support::read_text(std::string(TAILGATE_DATA_DIR) + "/" + file);
        WavInfo info{};
        ASSERT_EQ(snd_parse_wav(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &info), 1);
        ASSERT_GE(*id, 0) << file;
        EXPECT_EQ(sound_slots[*id].data_size, static_cast<int>(info.data_size)) << file;
    }
    const std::string log = (dir.path / "audio.log").string();
    ASSERT_EQ(headless_open_audio_log(log.c_str()), 1);
    audio_muted = 1;
    snd_play(sfx_horn);
    snd_rewind(sfx_horn);
    snd_stop(sfx_car);
    audio_muted = 0;
    EXPECT_FALSE(snd_is_playing(sfx_horn));
    snd_play(sfx_car);
    EXPECT_TRUE(snd_is_playing(sfx_car));
    ASSERT_TRUE(headless_close_audio_log());
    EXPECT_EQ(test_support::read_text(log), "-1 snd_play " + std::to_string(sfx_car) + "\n");
}

using Music = AudioTest;

TEST_F(Music, OnlyStandardMidiFilesLoad)
{
    std::string good = tune(2, 480), header = "MThd" + be(6, 4);
    for (const std::string& bad : {wav("abc"), std::string(), std::string("MThd"), good.substr(0, 13),
                                   "MThd" + be(0x7FFFFFFF, 4) + good.substr(8),      // header past the end
                                   "MThd" + be(4, 4) + good.substr(8),               // header too short
                                   header + be(0, 2) + be(1, 2) + be(0, 2),          // no time division
                                   header + be(7, 2) + be(1, 2) + be(480, 2),        // no such format
                                   header + be(0, 2) + be(1, 2) + be(0xE700, 2)}) {  // SMPTE without ticks
        EXPECT_EQ(load_midi(bad), -1) << testing::PrintToString(bad);
    }
    for (const char* name : {"no such file.MID", ".", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(mus_load_midi(name), -1);
    }
    EXPECT_EQ(music_slots[0].state, MUSIC_FREE);
    EXPECT_EQ(load_midi(good), 0);
    EXPECT_EQ(music_slots[0].state, MUSIC_LOADED);
    EXPECT_EQ(load_midi(good.substr(0, good.size() - 5)), 1);           // a track cut short keeps what it had
    EXPECT_EQ(load_midi(header + be(1, 2) + be(0, 2) + be(96, 2)), 2);  // no tracks: a silent piece
    mus_shutdown();                                                     // loads need the started player
    EXPECT_EQ(load_midi(good), -1);
}

TEST_F(Music, OneCurrentPieceAndTheSlotStates)
{
    int a = load_midi(tune(8, 480)), b = load_midi(tune(8, 480));
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);  // loaded, never played
    EXPECT_EQ(mus_play(a), 1);
    EXPECT_EQ(mus_play(b), 1);  // starting another stops the current one first
    EXPECT_TRUE(fields_are({FIELD(music_current, b), FIELD(music_slots[a].state, MUSIC_STOPPED),
                            FIELD(music_slots[b].state, MUSIC_PLAYING)}));
    // Stopping a piece that is not current still clears music_current, and
    // leaves the one playing alone; a stopped piece plays again.
    EXPECT_EQ(mus_stop(a), 1);
    EXPECT_TRUE(fields_are({FIELD(music_current, -1), FIELD(mus_status(b), MUSIC_PLAYING)}));
    EXPECT_EQ(mus_stop(b), 1);
    EXPECT_EQ(mus_status(b), MUSIC_STOPPED);
    EXPECT_EQ(mus_play(b), 1);
    EXPECT_EQ(mus_status(b), MUSIC_PLAYING);

    // Unloading empties every slot and leaves music_current naming a freed
    // one; operations on missing pieces return 0 and change nothing.
    EXPECT_EQ(mus_unload_all(), 1);
    EXPECT_TRUE(music_slots[b].segment == nullptr && music_slots[b].state == MUSIC_FREE);
    for (int bad : {-1, a, b, 63, 64, 1 << 30}) {
        EXPECT_EQ(mus_play(bad) + mus_stop(bad) + mus_status(bad), 0) << bad;
    }
    EXPECT_EQ(music_current, b);
    int c = load_midi(tune(8, 480));  // the next piece loaded simply starts
    EXPECT_EQ(mus_play(c), 1);
    EXPECT_TRUE(fields_are({FIELD(music_current, c), FIELD(mus_status(c), MUSIC_PLAYING)}));
}

TEST_F(Music, WithoutADeviceAPieceEndsWhenTheVirtualClockRunsPastIt)
{
    int a = load_midi(tune(2, 480));
    ASSERT_EQ(length_ms(a), 1000u);
    plat_use_backend(PLAT_HEADLESS, 5000);
    mus_play(a);
    plat_use_backend(PLAT_HEADLESS, 6000);
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
    plat_use_backend(PLAT_HEADLESS, 6001);
    EXPECT_EQ(music_slots[a].state, MUSIC_PLAYING);  // kept until asked
    EXPECT_EQ(mus_status(a), MUSIC_STOPPED);
    EXPECT_EQ(music_slots[a].state, MUSIC_STOPPED);
    EXPECT_EQ(music_current, a);  // it ended by itself: still the current one
    mus_play(a);                  // starts it over from the new tick
    plat_use_backend(PLAT_HEADLESS, 7001);
    EXPECT_EQ(mus_status(a), MUSIC_PLAYING);
}

TEST_F(Music, EveryPlayStopAndRewindIsLoggedInCallOrder)
{
    std::string log_path = (dir.path / "audio.log").string();
    ASSERT_EQ(headless_open_audio_log(log_path.c_str()), 1);
    int a = load_midi(tune(8, 480)), s = load_wav(wav(bytes_of(100, 1)));
    mus_play(a);
    mus_play(a);  // the current one: stopped first, from inside mus_play
    mus_status(a);
    mus_stop(-1);
    snd_play(s);
    snd_is_playing(s);
    snd_rewind(s);
    snd_stop(-1);
    headless_close_audio_log();
    EXPECT_EQ(read_text(log_path), "-1 mus_play 0\n-1 mus_play 0\n-1 mus_stop 0\n-1 mus_stop -1\n"
                                   "-1 snd_play 0\n-1 snd_rewind 0\n-1 snd_stop -1\n");
}

TEST_F(Music, LengthFollowsTheTempoMapAcrossTracks)
{
    // Track 0: 120 bpm, then 240 bpm from tick 960. Track 1 ends last, at
    // tick 1920: 1 s at the first tempo, 0.5 s at the second.
    std::string notes = ev(0, {0x90, 60, 100}) + ev(1920, {0x80, 60, 0}) + end_of_track(0);
    EXPECT_EQ(length_ms(load_midi(midi(1, 480, {tempo(0, 500000) + tempo(960, 250000) + end_of_track(0), notes}))),
              1500u);
    // A tempo change in any track; the last event of any kind (here the end
    // of the track) sets the length.
    std::string late = ev(0, {0x90, 60, 100}) + tempo(480, 1000000) + ev(480, {0x80, 60, 0}) + end_of_track(480);
    EXPECT_EQ(length_ms(load_midi(midi(0, 480, {late}))), 2500u);
    // Running status and a system exclusive event in between.
    std::string running = ev(0, {0x90, 60, 100}) + ev(240, {62, 100}) + ev(240, {60, 0}) + ev(240, {62, 0}) +
                          ev(240, {0xF0, 0x02, 0x7E, 0xF7}) + end_of_track(0);
    EXPECT_EQ(length_ms(load_midi(midi(0, 480, {running}))), 1000u);
    // SMPTE time: 25 frames of 40 ticks, 1000 ticks a second.
    EXPECT_EQ(length_ms(load_midi(midi(0, 0xE728, {notes}))), 1920u);
}

class Mixer : public AudioTest {
protected:
    void open_output() override { plat_audio_open_offline(); }
};

double rms(const std::vector<int16_t>& out)
{
    double sum = 0.0;
    for (int16_t v : out) {
        sum += double(v) * v;
    }
    return std::sqrt(sum / out.size());
}

// A sample's value in the mix: centred, 16-bit, at the effects' level.
int level(int sample)
{
    return static_cast<int>(std::lround((sample - 128) * 256 * PLAT_MIX_EFFECTS_GAIN));
}

TEST_F(Mixer, SoundsLastFourFramesASampleAreInterpolatedAddUpAndAreLimited)
{
    EXPECT_EQ(rms(mix(300)), 0.0);  // silence while nothing plays
    int id = load_wav(wav(bytes_of(1000, 200)));
    snd_play(id);
    for (int16_t v : mix(3999)) {
        ASSERT_EQ(v, level(200));  // both channels
    }
    EXPECT_EQ(position(id), 999u);
    std::vector<int16_t> out = mix(2);
    EXPECT_EQ(out[0], level(200));  // the last frame of the sound
    EXPECT_EQ(out[2], 0);           // and then nothing
    EXPECT_FALSE(snd_is_playing(id));
    EXPECT_EQ(position(id), 0u);
    snd_play(id);
    mix(400);
    EXPECT_EQ(passes(1, id), 100u);  // the mixer keeps time, not the passes

    snd_init();
    snd_play(load_wav(wav(std::string{char(128), char(228), char(28)})));
    out = mix(13);
    const int expected[] = {128, 153, 178, 203, 228, 178, 128, 78, 28, 28, 28, 28, 128};
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(out[i], level(expected[i / 2])) << i;
    }

    snd_init();
    snd_play(load_wav(wav(bytes_of(100, 138))));
    snd_play(load_wav(wav(bytes_of(100, 148))));
    EXPECT_EQ(mix(1)[0], level(128 + 10 + 20));
    // Thirteen sounds at full swing are held at the ceiling, and once they
    // stop the limiter lets a quiet sound through unchanged again.
    for (int value : {255, 0}) {
        snd_init();
        for (int i = 0; i < 13; ++i) {
            snd_play(load_wav(wav(bytes_of(100, value))));
        }
        for (int16_t v : mix(400)) {
            ASSERT_NEAR(v, value ? PLAT_MIX_CEILING : -PLAT_MIX_CEILING, 1.0);
        }
        mix(44100);
        snd_play(load_wav(wav(bytes_of(100, 138))));
        EXPECT_NEAR(mix(1)[0], level(138), 2);
    }
}

TEST_F(Mixer, MusicIsRenderedStopsAndLiesUnderTheSounds)
{
    if (!plat_music_audible()) {
        FAIL() << "no SoundFont found (scripts/setup.sh installs timgm6mb-soundfont)";
    }
    int m = load_midi(tune(6, 480));
    mus_play(m);
    EXPECT_GT(rms(mix(22050)), 300.0);
    mus_stop(m);
    mix(2205);  // what was already sounding dies away
    EXPECT_LT(rms(mix(4410)), 30.0);
    mus_play(m);
    mix(4410);
    snd_play(load_wav(wav(bytes_of(20000, 255))));
    EXPECT_GT(rms(mix(4410)), level(255) * 0.9);
}

// The player's two volumes, set through the settings, each scale only their
// own part of the mix, at any difference between them; a volume below 0 or
// above 100 counts as its edge.
TEST_F(Mixer, MusicAndEffectsFollowTheirOwnVolumes)
{
    if (!plat_music_audible()) {
        FAIL() << "no SoundFont found (scripts/setup.sh installs timgm6mb-soundfont)";
    }
    PlatSettings settings = plat_default_settings();
    auto volumes = [&settings](int music, int effects) {
        settings.music_volume = music;
        settings.effects_volume = effects;
        plat_audio_configure(settings);
    };
    const int id = load_wav(wav(bytes_of(40000, 200)));
    const struct {
        int music, effects;
        double share;
    } effects[] = {{100, 50, 0.5}, {10, 100, 1.0}, {100, 0, 0.0}, {0, 101, 1.0}, {100, -1, 0.0}, {30, 1, 0.01}};
    for (const auto& e : effects) {
        volumes(e.music, e.effects);
        snd_play(id);
        EXPECT_NEAR(mix(8)[1], level(200) * e.share, 1.0) << "music " << e.music << ", effects " << e.effects;
        snd_stop(id);
    }

    // The music alone (the effects at 0 and then loud: no sound plays).
    const int m = load_midi(tune(6, 480));
    auto music_level = [&](int music, int effects) {
        volumes(music, effects);
        mus_play(m);
        const double level = rms(mix(22050));
        mus_stop(m);
        mix(22050);  // dies away
        return level;
    };
    const double full = music_level(100, 0);
    ASSERT_GT(full, 300.0);
    EXPECT_NEAR(music_level(50, 100) / full, 0.5, 0.05);
    EXPECT_NEAR(music_level(200, 0) / full, 1.0, 0.05);
    EXPECT_LT(music_level(0, 100), 1.0);
    EXPECT_NEAR(music_level(-1, 100), 0.0, 1.0);
    volumes(100, 100);
}

TEST_F(Mixer, BadSoundFontsArePassedOverAndAPieceStartsAgainAfterItsLastEvent)
{
    // A missing file, and a real SoundFont cut short (its loaders' own
    // libraries stay off the terminal): the game's own line alone.
    const std::string real = read_text("/usr/share/sounds/sf2/TimGM6mb.sf2");
    ASSERT_GT(real.size(), 200000u) << "no TimGM6mb.sf2 (scripts/setup.sh installs timgm6mb-soundfont)";
    dir.write("cut.sf2", real.substr(0, 100000));
    for (const std::string& font : {std::string("no-such.sf2"), (dir.path / "cut.sf2").string()}) {
        mus_shutdown();
        setenv("TAILGATE_SOUNDFONT", font.c_str(), 1);
        dir.write("broken.sf2", "not a soundfont");
        testing::internal::CaptureStderr();
        mus_init();
        std::string said = testing::internal::GetCapturedStderr();
        unsetenv("TAILGATE_SOUNDFONT");
        EXPECT_EQ(said, "tailgate: TAILGATE_SOUNDFONT " + font + " is not a SoundFont that loads\n");
    }

    // With a SoundFont found after them or none, the music keeps time.
    int m = load_midi(tune(1, 480));  // 0.5 s: 22050 frames
    mus_play(m);
    mix(20000);
    mus_play(m);  // the current piece starts over
    mix(22050);   // its last event is still due
    EXPECT_EQ(mus_status(m), MUSIC_PLAYING);
    // The radio keeps playing: at its end the piece goes round again.
    mix(22050 * 3 + 64);
    EXPECT_EQ(mus_status(m), MUSIC_PLAYING);
    if (plat_music_audible()) {
        EXPECT_GT(rms(mix(22050)), 300.0);
    }
    mus_stop(m);
    EXPECT_EQ(mus_status(m), MUSIC_STOPPED);
}

}  // namespace
