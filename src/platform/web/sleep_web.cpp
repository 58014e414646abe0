// Sleeping in the browser gives the page control back: the program's own
// sleeps (the shell paces each pass with std::this_thread::sleep_for, which
// comes down to nanosleep) become emscripten_sleep, which Asyncify turns into
// a return to the page's event loop and a resumption on a timer. Without it
// the libc's nanosleep spins and the page freezes. Sleeps under a
// millisecond return at once: the caller's clock check decides again.
#include <emscripten.h>

#include <cerrno>
#include <ctime>

extern "C" int nanosleep(const struct timespec* request, struct timespec* remaining)
{
    if (!request || request->tv_nsec < 0 || request->tv_nsec >= 1000000000L || request->tv_sec < 0) {
        errno = EINVAL;
        return -1;
    }
    const double ms = static_cast<double>(request->tv_sec) * 1000.0 + static_cast<double>(request->tv_nsec) / 1e6;
    if (ms >= 1.0) {
        emscripten_sleep(static_cast<unsigned>(ms));
    }
    if (remaining) {
        remaining->tv_sec = 0;
        remaining->tv_nsec = 0;
    }
    return 0;
}
