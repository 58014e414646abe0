// Fuzz target: any bytes as a command line (split at NUL bytes into
// arguments). The parser must never misbehave; it accepts or refuses with
// one line, and what it accepts is within its bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host.h"
#include "shell/cmdline.h"

namespace {

ShellOptions options;

bool terminated(const char* text, size_t size)
{
    return memchr(text, '\0', size) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words(1, "tailgate");
    std::string word;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(data[i]));
        }
    }
    words.push_back(word);
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);

    char error[512];
    memset(error, 0x55, sizeof error);
    if (!cmdline_parse(static_cast<int>(words.size()), argv.data(), &options, error, sizeof error)) {
        // The reason quotes what was typed; it reaches the terminal escaped,
        // as one line.
        if (!terminated(error, sizeof error) || error[0] == '\0' ||
            plat_printable(error).find_first_of("\n\r\x1b") != std::string::npos) {
            abort();
        }
        return 0;
    }
    if (options.shot_count < 0 || options.shot_count > CMDLINE_MAX_SHOTS || options.dump_at_count < 0 ||
        options.dump_at_count > CMDLINE_MAX_SHOTS || options.passes < -1) {
        abort();
    }
    if (!terminated(options.data_dir, sizeof options.data_dir) ||
        !terminated(options.input_path, sizeof options.input_path) ||
        !terminated(options.dump_path, sizeof options.dump_path) ||
        !terminated(options.trace_path, sizeof options.trace_path) ||
        !terminated(options.audio_log_path, sizeof options.audio_log_path)) {
        abort();
    }
    for (int i = 0; i < options.shot_count; ++i) {
        if (options.shots[i].pass < 0 || !terminated(options.shots[i].path, sizeof options.shots[i].path)) {
            abort();
        }
    }
    return 0;
}
