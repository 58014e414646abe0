// Being asked to end, in the browser: the page asks (window.tailgate.close()
// or a page being left), and the core notes it at its next look at its
// messages. The start of the program is also where the file mode mask is set:
// Emscripten starts with 0777, which would make every new file unreadable.
#include <emscripten.h>
#include <sys/stat.h>

#include "platform/system.h"

namespace {

bool catching = false;
bool requested = false;

struct StartUp {
    StartUp() { umask(022); }
} start_up;

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void tailgate_web_request_close()
{
    requested = true;
}

void plat_sys_catch_close_requests()
{
    catching = true;
}

bool plat_sys_close_requested()
{
    return catching && requested;
}
