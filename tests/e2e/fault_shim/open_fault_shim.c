// Preloaded (LD_PRELOAD) into the packer by the fault injection tests, to make the file system
// fail under it at chosen places:
//  - a file vanishes for its readers at a chosen moment: fopen or open for reading fails with
//    ENOENT for a path that ends with FRAMESTOW_FAULT_PATH, after the first FRAMESTOW_FAULT_SKIP
//    such opens (0 when unset) have gone through;
//  - files cannot be deleted, as when another program holds them or the system protects them:
//    unlink, unlinkat and remove fail with EPERM for a path that ends with one of the
//    colon-separated suffixes of FRAMESTOW_FAULT_UNDELETABLE.
// Every other call goes through unchanged.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef FILE* (*OpenFunction)(const char*, const char*);
typedef int (*OpenFdFunction)(const char*, int, ...);
typedef int (*UnlinkFunction)(const char*);
typedef int (*UnlinkAtFunction)(int, const char*, int);

static long matching_opens = 0;

static int ends_with(const char* text, const char* suffix) {
    const size_t text_length = strlen(text);
    const size_t suffix_length = strlen(suffix);
    return text_length >= suffix_length && strcmp(text + text_length - suffix_length, suffix) == 0;
}

static int refuse(const char* path, const char* mode) {
    const char* suffix = getenv("FRAMESTOW_FAULT_PATH");
    const char* skip = getenv("FRAMESTOW_FAULT_SKIP");
    if (suffix == NULL || *suffix == '\0' || path == NULL || mode == NULL || mode[0] != 'r' ||
        !ends_with(path, suffix)) {
        return 0;
    }
    return matching_opens++ >= (skip != NULL ? atol(skip) : 0);
}

static int undeletable(const char* path) {
    const char* suffixes = getenv("FRAMESTOW_FAULT_UNDELETABLE");
    if (suffixes == NULL || path == NULL) {
        return 0;
    }
    char suffix[PATH_MAX];
    while (*suffixes != '\0') {
        const size_t length = strcspn(suffixes, ":");
        if (length > 0 && length < sizeof suffix) {
            memcpy(suffix, suffixes, length);
            suffix[length] = '\0';
            if (ends_with(path, suffix)) {
                return 1;
            }
        }
        suffixes += length + (suffixes[length] == ':' ? 1 : 0);
    }
    return 0;
}

// The path that unlinkat names: relative ones joined to the folder that `folder_fd` is open on.
static int undeletable_at(int folder_fd, const char* path) {
    if (path == NULL || path[0] == '/' || folder_fd == AT_FDCWD) {
        return undeletable(path);
    }
    char link[64];
    char full[2 * PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", folder_fd);
    const ssize_t length = readlink(link, full, PATH_MAX);
    if (length < 0) {
        return undeletable(path);
    }
    snprintf(full + length, sizeof full - (size_t)length, "/%s", path);
    return undeletable(full);
}

// The next definition of `name` after this library: the C library's, or a sanitizer's.
static void* next_function(const char* name) {
    return dlsym(RTLD_NEXT, name);
}

static OpenFunction next_open(const char* name) {
    void* symbol = next_function(name);
    OpenFunction function;
    memcpy(&function, &symbol, sizeof function);
    return function;
}

FILE* fopen(const char* path, const char* mode) {
    if (refuse(path, mode)) {
        errno = ENOENT;
        return NULL;
    }
    return next_open("fopen")(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    if (refuse(path, mode)) {
        errno = ENOENT;
        return NULL;
    }
    return next_open("fopen64")(path, mode);
}

// open and open64 with the mode that follows only when a file may be created.
static int open_fd(const char* name, const char* path, int flags, va_list rest) {
    const mode_t mode = (flags & O_CREAT) != 0 ? (mode_t)va_arg(rest, int) : 0;
    if ((flags & O_ACCMODE) == O_RDONLY && refuse(path, "r")) {
        errno = ENOENT;
        return -1;
    }
    void* symbol = next_function(name);
    OpenFdFunction function;
    memcpy(&function, &symbol, sizeof function);
    return function(path, flags, mode);
}

int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = open_fd("open", path, flags, rest);
    va_end(rest);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = open_fd("open64", path, flags, rest);
    va_end(rest);
    return fd;
}

static int call_unlink(const char* name, const char* path) {
    void* symbol = next_function(name);
    UnlinkFunction function;
    memcpy(&function, &symbol, sizeof function);
    return function(path);
}

int unlink(const char* path) {
    if (undeletable(path)) {
        errno = EPERM;
        return -1;
    }
    return call_unlink("unlink", path);
}

int remove(const char* path) {
    if (undeletable(path)) {
        errno = EPERM;
        return -1;
    }
    return call_unlink("remove", path);
}

int unlinkat(int folder_fd, const char* path, int flags) {
    if (undeletable_at(folder_fd, path)) {
        errno = EPERM;
        return -1;
    }
    void* symbol = next_function("unlinkat");
    UnlinkAtFunction function;
    memcpy(&function, &symbol, sizeof function);
    return function(folder_fd, path, flags);
}
