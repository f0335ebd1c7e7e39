// For the fault drills: a library preloaded into the solver program that
// raises the signal SIGNAL_ON_OPEN names (a number) when the program opens a
// file whose name contains OPEN_MARK, so that a kill lands exactly while the
// result files are being written.
#include <dlfcn.h>
#include <fcntl.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using openFunction = int (*)(const char*, int, ...);
using fopenFunction = FILE* (*)(const char*, const char*);

void maybeRaise(const char* path) {
    const char* mark = std::getenv("OPEN_MARK");
    const char* signal = std::getenv("SIGNAL_ON_OPEN");
    if (mark != nullptr && signal != nullptr && path != nullptr &&
        std::strstr(path, mark) != nullptr)
        std::raise(std::atoi(signal));
}

int forward(const char* name, const char* path, int flags, va_list args) {
    mode_t mode = 0;
    if ((flags & (O_CREAT | O_TMPFILE)) != 0) mode = static_cast<mode_t>(va_arg(args, int));
    const auto real = reinterpret_cast<openFunction>(dlsym(RTLD_NEXT, name));
    return real(path, flags, mode);
}

} // namespace

extern "C" int open(const char* path, int flags, ...) {
    maybeRaise(path);
    va_list args;
    va_start(args, flags);
    const int fd = forward("open", path, flags, args);
    va_end(args);
    return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
    maybeRaise(path);
    va_list args;
    va_start(args, flags);
    const int fd = forward("open64", path, flags, args);
    va_end(args);
    return fd;
}

extern "C" FILE* fopen(const char* path, const char* mode) {
    maybeRaise(path);
    return reinterpret_cast<fopenFunction>(dlsym(RTLD_NEXT, "fopen"))(path, mode);
}

extern "C" FILE* fopen64(const char* path, const char* mode) {
    maybeRaise(path);
    return reinterpret_cast<fopenFunction>(dlsym(RTLD_NEXT, "fopen64"))(path, mode);
}
