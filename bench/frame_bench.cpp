// The busy drive against the least work its picture needs, in one process.
//
// The busy drive is the play frame as the game runs it: the truck at full
// speed, weaving between the lanes through the hundred vehicles, some of them
// burning; every pass runs the whole play_frame (controls, road, traffic,
// drawing, flip). Its truck is kept whole so the drive never stops.
//
// The baseline draws the same picture with the least work: one 640 x 480
// copy of the background, then the same on-screen sprites (vehicles, truck,
// icons) with a plain keyed loop. Each pass of the drive is followed by its
// baseline, so both see the same picture and the same machine load; the
// counters give microseconds of CPU per pass for both and their ratio.
//
// The shot is one --shot as the harness writes it: the screen read out and
// written as a PNG.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "display/display.h"
#include "frontend/frontend.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "play/play.h"
#include "shell/harness_script.h"
#include "shell/shell.h"

namespace {

double cpu_now()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// Full speed in the fast lanes, a swerve left or right every second or so.
std::string drive_script()
{
    std::string script = "0 +UP\n";
    for (int pass = 30, k = 0; pass < 400000; pass += 37, ++k) {
        const char* key = k % 3 == 1 ? "RIGHT" : "LEFT";
        script += std::to_string(pass) + " +" + key + "\n";
        script += std::to_string(pass + 4 + k % 5) + " -" + key + "\n";
    }
    return script;
}

bool start_game()
{
    namespace fs = std::filesystem;
    std::error_code error;
    char dir[] = "/tmp/tailgate_bench_XXXXXX";
    char message[200];
    if (mkdtemp(dir) == nullptr) {
        return false;
    }
    fs::copy(TAILGATE_DATA_DIR, dir, fs::copy_options::recursive, error);
    plat_use_backend(PLAT_HEADLESS, 1000);
    const std::string script = drive_script();
    if (error || chdir(dir) != 0 || !harness_parse_script(script.data(), script.size(), message, sizeof message)) {
        return false;
    }
    headless_begin_pass(0);
    if (!plat_window_create(false) || !game_init()) {
        return false;
    }
    game_mode = MODE_PLAY;
    play_state = PLAY_DRIVING;
    distance = 100000;
    lives = 2;
    help_calls = 3;
    for (Car& car : traffic) {  // the hundred around the truck, as they come
        car.position += distance - 2000;
    }
    return true;
}

int pass_number;

// One pass of the drive; the truck stays whole and far from the level's end.
void drive_pass()
{
    headless_begin_pass(++pass_number);
    damage = 0;
    truck_wrecked = 0;
    play_state = PLAY_DRIVING;
    if (distance > 800000) {
        distance -= 600000;
        for (Car& car : traffic) {
            car.position -= 600000;
        }
    }
    benchmark::DoNotOptimize(play_frame());
}

// A plain keyed copy, scaled by nearest pixel, clipped to the screen.
void plain_sprite(const PlatSurface* from, int sw, int sh, uint8_t* to, int x, int y, int w, int h)
{
    const int key = from->colour_key;
    const int x0 = std::max(0, -x);
    const int x1 = std::min(w, SCREEN_WIDTH - x);
    int columns[256];
    for (int dx = x0; dx < x1; ++dx) {
        columns[dx] = dx * sw / w;
    }
    for (int dy = std::max(0, -y); dy < h && y + dy < SCREEN_HEIGHT; ++dy) {
        const uint8_t* row = from->pixels + (dy * sh / h) * from->pitch;
        uint8_t* out = to + (y + dy) * SCREEN_WIDTH + x;
        if (w == sw) {
            for (int dx = x0; dx < x1; ++dx) {
                if (row[dx] != key) {
                    out[dx] = row[dx];
                }
            }
        } else {
            for (int dx = x0; dx < x1; ++dx) {
                const uint8_t p = row[columns[dx]];
                if (p != key) {
                    out[dx] = p;
                }
            }
        }
    }
}

// The picture of the pass just driven, with the least work.
void baseline_pass(uint8_t* screen)
{
    const PlatSurface* road = background_surface;
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        memcpy(screen + y * SCREEN_WIDTH, road->pixels + y * road->pitch, SCREEN_WIDTH);
    }
    for (const Car& car : traffic) {
        const int size = 64 + 2 * car.wreck_frame;
        const int y = distance - car.position;
        if (y < SCREEN_HEIGHT && y + size > 0) {
            plain_sprite(car_frames[7 * car.wreck_frame + car.kind], 64, 64, screen, car.x, y, size, size);
        }
    }
    plain_sprite(truck_frames[0], 64, 96, screen, truck_x, truck_y, 64, 96);
    for (int i = 0; i < lives; ++i) {
        plain_sprite(truck_frames[0], 64, 96, screen, 10 * i, 0, 16, 24);
    }
    for (int i = 0; i < help_calls; ++i) {
        plain_sprite(truck_frames[0], 64, 96, screen, 10 * i, 25, 16, 24);
    }
    benchmark::DoNotOptimize(screen);
}

bool ready()
{
    static bool started = start_game();
    return started;
}

void BM_BusyDriveAgainstBaseline(benchmark::State& state)
{
    if (!ready()) {
        state.SkipWithError("the game did not start (no generated data?)");
        return;
    }
    for (int i = 0; i < 300; ++i) {  // the traffic settles around the truck
        drive_pass();
    }
    std::vector<uint8_t> screen(SCREEN_WIDTH * SCREEN_HEIGHT);
    double busy = 0;
    double plain = 0;
    long on_screen = 0;
    for (auto _ : state) {
        double t0 = cpu_now();
        drive_pass();
        double t1 = cpu_now();
        baseline_pass(screen.data());
        double t2 = cpu_now();
        busy += t1 - t0;
        plain += t2 - t1;
        for (const Car& car : traffic) {
            const int y = distance - car.position;
            on_screen += y < SCREEN_HEIGHT && y + 64 + 2 * car.wreck_frame > 0;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["busy_us"] = 1e6 * busy / n;
    state.counters["baseline_us"] = 1e6 * plain / n;
    state.counters["ratio"] = busy / plain;
    state.counters["cars_on_screen"] = static_cast<double>(on_screen) / n;
}
BENCHMARK(BM_BusyDriveAgainstBaseline)->Unit(benchmark::kMicrosecond)->Iterations(6000);

// The busy pass alone, for profiling.
void BM_BusyDrive(benchmark::State& state)
{
    if (!ready()) {
        state.SkipWithError("the game did not start (no generated data?)");
        return;
    }
    for (auto _ : state) {
        drive_pass();
    }
}
BENCHMARK(BM_BusyDrive)->Unit(benchmark::kMicrosecond);

void BM_Shot(benchmark::State& state)
{
    if (!ready()) {
        state.SkipWithError("the game did not start (no generated data?)");
        return;
    }
    drive_pass();
    std::vector<uint8_t> rgb(SCREEN_WIDTH * SCREEN_HEIGHT * 3);
    const std::string path = "/tmp/tailgate_bench_shot_" + std::to_string(getpid()) + ".png";
    for (auto _ : state) {
        plat_read_screen(rgb.data());
        benchmark::DoNotOptimize(plat_write_png(path.c_str(), rgb.data(), SCREEN_WIDTH, SCREEN_HEIGHT));
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_Shot)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
