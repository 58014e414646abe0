// A private copy of the generated game data for one test run. The game
// writes hiscore.txt into its data directory, so every run works on its own
// copy; a table left in the build's data by someone playing is not copied,
// so each run starts from the same state.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace test_support {

// Copies every file of the default data (except hiscore.txt) into `dest`,
// which is created. False when the default data is missing or the copy fails.
inline bool copy_game_data(const std::filesystem::path& dest)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(dest, error);
    if (error) {
        return false;
    }
    const fs::path source = TAILGATE_DATA_DIR;
    if (!fs::is_directory(source, error)) {
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(source, error)) {
        if (!entry.is_regular_file() || entry.path().filename() == "hiscore.txt") {
            continue;
        }
        fs::copy_file(entry.path(), dest / entry.path().filename(),
                      fs::copy_options::overwrite_existing, error);
        if (error) {
            return false;
        }
    }
    return !error;
}

}  // namespace test_support
