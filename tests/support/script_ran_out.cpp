// Linked into every test program. Tests run the game's code in their own
// process, so a headless script that runs out while the game waits inside a
// pass must fail the test at hand, with the pass named, rather than end the
// whole program with status 3 and no word of which test it was.
#include <stdexcept>
#include <string>

#include "platform/headless.h"

namespace {

[[noreturn]] void fail_script_ran_out()
{
    throw std::runtime_error("the input script ran out while the game waited inside pass " +
                             std::to_string(headless_current_pass()) + " (the game would exit with status 3 here)");
}

const bool installed = (headless_set_ran_out_handler(fail_script_ran_out), true);

}  // namespace
