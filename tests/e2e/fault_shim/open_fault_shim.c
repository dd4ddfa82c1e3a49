// Preloaded (LD_PRELOAD) into the packer by the fault injection tests, to make a file vanish for
// its readers at a chosen moment: fopen for reading fails with ENOENT for a path that ends with
// FRAMESTOW_FAULT_PATH, after the first FRAMESTOW_FAULT_SKIP such opens (0 when unset) have gone
// through. Opens for writing, and every open without FRAMESTOW_FAULT_PATH, go through unchanged.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef FILE* (*OpenFunction)(const char*, const char*);

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

// The next definition of `name` after this library: the C library's, or a sanitizer's.
static OpenFunction next_open(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
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
