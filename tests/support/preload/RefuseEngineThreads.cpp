// Preloaded into the game executable (LD_PRELOAD) by the end-to-end runs
// that play it with no thread to be had: every thread the game's own code
// asks for is refused, as a system out of threads refuses it, while the
// libraries it uses (the graphics driver, the sound library) start theirs.
// A thread is the game's when its start routine lies in the executable.
#include <cerrno>
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>

namespace {

typedef int (*Create)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

int mainProgram(dl_phdr_info* info, size_t, void* base)
{
    // The first object listed is the executable.
    *static_cast<ElfW(Addr)*>(base) = info->dlpi_addr;
    return 1;
}

bool inExecutable(void* (*start)(void*))
{
    ElfW(Addr) base = 0;
    dl_iterate_phdr(mainProgram, &base);
    Dl_info info;
    return base != 0 && dladdr(reinterpret_cast<void*>(start), &info) != 0 &&
           reinterpret_cast<ElfW(Addr)>(info.dli_fbase) == base;
}

} // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                              void* argument)
{
    static const Create next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (inExecutable(start) || !next)
        return EAGAIN;
    return next(thread, attributes, start, argument);
}
