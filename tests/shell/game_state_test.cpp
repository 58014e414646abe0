// The state table: a saved game puts back every field the dump shows, and
// the fields kept beside the dump; every variable that play and the front
// end declare is in it, every byte.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "audio/audio.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/game_state.h"
#include "shell/harness.h"
#include "support/run.h"

// AddressSanitizer, as gcc and clang each say it.
#if defined(__SANITIZE_ADDRESS__)
#define TAILGATE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAILGATE_ASAN 1
#endif
#endif
#ifndef TAILGATE_ASAN
#define TAILGATE_ASAN 0
#endif

namespace {

std::string dump_now()
{
    std::string text;
    harness_state_json(&text, 0);
    return text;
}

// Writes `byte` over every value of every field.
void scribble(uint8_t byte)
{
    for (int f = 0; f < STATE_FIELD_COUNT; ++f) {
        const StateField& field = STATE_FIELDS[f];
        for (int r = 0; r < field.rows; ++r) {
            for (int c = 0; c < field.columns_per_row; ++c) {
                memset(state_at(field, r, c), byte, state_type_size(field.type));
            }
        }
    }
}

TEST(GameState, RestoreBringsBackEveryFieldAfterAllWereOverwritten)
{
    GameState untouched;  // for the other tests of this program
    game_state_save(&untouched);
    plat_use_backend(PLAT_HEADLESS, 1000);
    scribble(0x11);
    traffic[42].wreck_tick = 7;
    lane_x[3] = 99;
    truck_speed = 12.5;
    const std::string before = dump_now();
    GameState saved;
    game_state_save(&saved);

    scribble(0x5A);
    ASSERT_NE(dump_now(), before);
    game_state_restore(&saved);
    EXPECT_EQ(dump_now(), before);
    // A vehicle's row in the dump is its fields in their order.
    traffic[99] = Car{6, 512, -70000, 13, 1, 9, 6, 40};
    EXPECT_NE(dump_now().find("[6,512,-70000,13,1,9,6,40]]"), std::string::npos);
    game_state_restore(&saved);
    EXPECT_EQ(lane_x[3], 99) << "a field kept beside the dump";
    EXPECT_EQ(traffic[42].wreck_tick, 7);

    // A second save of the restored game is byte for byte the first.
    GameState again;
    game_state_save(&again);
    EXPECT_EQ(again.bytes, saved.bytes);
    plat_use_backend(PLAT_WINDOW, 1000);
    game_state_restore(&untouched);
}

// The dump reads back exactly: a double to its last bit, and every sound
// that plays, the one in the first slot too.
TEST(GameState, DumpReadsBackExactlyAndListsEverySoundPlaying)
{
    GameState untouched;
    game_state_save(&untouched);
    plat_use_backend(PLAT_HEADLESS, 1000);
    truck_speed = 0.1 + 0.2;  // 0.30000000000000004
    const std::string wav =
        std::string("RIFF\x2c\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x11\x2b\0\0\x11\x2b\0\0\x01\0\x08\0", 36) +
        std::string("data\x08\0\0\0\x80\x90\xa0\xb0\xc0\xd0\xe0\xf0", 16);
    const std::string path = "/tmp/tailgate_state_" + std::to_string(getpid()) + ".wav";
    test_support::write_text(path, wav);
    ASSERT_EQ(snd_init(), 1);
    ASSERT_EQ(snd_load_wav(path.c_str(), 0), 0);
    snd_play(0);
    const std::string dump = dump_now();
    EXPECT_EQ(test_support::values(dump, "truck_speed"), std::vector<double>{0.1 + 0.2});
    EXPECT_NE(dump.find("\"sounds_playing\":[0]"), std::string::npos) << dump.substr(dump.size() - 60);
    snd_shutdown();
    std::remove(path.c_str());
    plat_use_backend(PLAT_WINDOW, 1000);
    game_state_restore(&untouched);
}

// Every variable a layer's header declares (extern, not const) is found in
// this program by its name, and each of its bytes is a value of the table: a
// new variable, or a new member of a vehicle, that the table misses fails
// here by name.
TEST(GameState, HoldsEveryByteOfTheVariablesPlayAndTheFrontEndDeclare)
{
    std::set<const uint8_t*> covered;
    for (int f = 0; f < STATE_FIELD_COUNT; ++f) {
        const StateField& field = STATE_FIELDS[f];
        for (int r = 0; r < field.rows; ++r) {
            for (int c = 0; c < field.columns_per_row; ++c) {
                const auto* value = static_cast<const uint8_t*>(state_at(field, r, c));
                for (size_t b = 0; b < state_type_size(field.type); ++b) {
                    covered.insert(value + b);
                }
            }
        }
    }
    const std::regex declaration(R"(^extern\s+(?!const\b)[\w:]+\s+(\w+)\s*[\[;])");
    int found = 0;
    for (const char* header : {"src/play/play.h", "src/frontend/frontend.h"}) {
        std::ifstream in(std::string(TAILGATE_SOURCE_DIR) + "/" + header);
        ASSERT_TRUE(in) << header;
        for (std::string line; std::getline(in, line);) {
            std::smatch m;
            if (!std::regex_search(line, m, declaration)) {
                continue;
            }
            const std::string name = m[1];
            found++;
            void* address = dlsym(RTLD_DEFAULT, name.c_str());
            Dl_info info;
            ElfW(Sym)* symbol = nullptr;
            ASSERT_TRUE(address && dladdr1(address, &info, reinterpret_cast<void**>(&symbol), RTLD_DL_SYMENT) && symbol)
                << header << ": " << name << " is not found in the program";
            size_t size = symbol->st_size;
#if TAILGATE_ASAN
            // AddressSanitizer pads every global with a guard zone that the
            // symbol's size takes in; the release build checks the whole size.
            while (size > 0 && !covered.count(static_cast<const uint8_t*>(address) + size - 1)) {
                --size;
            }
            EXPECT_GT(size, 0u) << header << ": " << name << " is not in the state table";
#endif
            int missing = 0;
            for (size_t b = 0; b < size; ++b) {
                missing += covered.count(static_cast<const uint8_t*>(address) + b) ? 0 : 1;
            }
            EXPECT_EQ(missing, 0) << header << ": " << missing << " of the " << symbol->st_size << " bytes of " << name
                                  << " are not in the state table";
        }
    }
    EXPECT_GE(found, 40) << "the declarations were not read";
}

}  // namespace
