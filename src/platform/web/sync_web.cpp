// Files made durable in the browser: the player's folder lives in
// IndexedDB, which the page writes to in the background. An fsync asks the
// page for that write and returns at once, so that saving a high score or a
// setting never has to give the page control back in the middle of a pass
// (the page writes them one sync at a time, the last always after the last
// change, and again before it is left). A descriptor that is not open is
// still refused, as everywhere.
#include <emscripten.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

EM_JS(void, web_files_changed, (), {
    if (Module.onFilesChanged) {
        Module.onFilesChanged();
    }
});

}  // namespace

extern "C" int fsync(int fd)
{
    if (fcntl(fd, F_GETFD) < 0) {
        errno = EBADF;
        return -1;
    }
    web_files_changed();
    return 0;
}
