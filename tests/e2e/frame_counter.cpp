// Preloaded into the program by a test, counts the frames it shows: every
// glXSwapBuffers call adds one to a 64-bit count kept in the first 8 bytes of
// the file named by DRAVIK_FRAME_COUNT_FILE, which the test reads meanwhile.
// The program itself is untouched and knows nothing of it.

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

using SwapBuffersFunction = void (*)(void*, unsigned long);

std::uint64_t* mapCount()
{
    const char* path = std::getenv("DRAVIK_FRAME_COUNT_FILE");
    if (path == nullptr)
        return nullptr;
    const int file = open(path, O_RDWR | O_CREAT, 0644);
    if (file < 0)
        return nullptr;
    void* mapped = MAP_FAILED;
    if (ftruncate(file, sizeof(std::uint64_t)) == 0)
        mapped = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    close(file);
    return mapped != MAP_FAILED ? static_cast<std::uint64_t*>(mapped) : nullptr;
}

} // namespace

// Display* and GLXDrawable (an XID) spelled without the X11 headers.
extern "C" void glXSwapBuffers(void* display, unsigned long drawable)
{
    static const auto next = reinterpret_cast<SwapBuffersFunction>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static std::uint64_t* const count = mapCount();
    if (next != nullptr)
        next(display, drawable);
    if (count != nullptr)
        __atomic_add_fetch(count, 1, __ATOMIC_RELAXED);
}
