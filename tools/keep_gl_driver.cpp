// Preloaded into sanitizer runs of the whole program: keeps the OpenGL
// driver (Mesa's DRI module, *_dri.so) loaded until the process ends. Mesa
// unloads it when the display closes, before LeakSanitizer checks at exit;
// the driver's own unfreed allocations then come from an unnamed module, and
// no suppression by the driver's name can match them. Kept loaded, they are
// named and tests/lsan.supp suppresses them. The program is untouched.

#include <dlfcn.h>
#include <link.h>

#include <cstring>

extern "C" int dlclose(void* handle)
{
    static const auto next = reinterpret_cast<int (*)(void*)>(dlsym(RTLD_NEXT, "dlclose"));
    link_map* module = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &module) == 0 && module != nullptr && module->l_name != nullptr &&
        std::strstr(module->l_name, "_dri.so") != nullptr)
        return 0;
    return next != nullptr ? next(handle) : -1;
}
