/* See RtCount.h. The real functions are found with dlsym(RTLD_NEXT); while dlsym itself
 * needs memory, a small static arena serves it. */
#define _GNU_SOURCE
#include "RtCount.h"

#include <string.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define RT_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define RT_SANITIZED 1
#endif

static const char* const kindNames[RT_KINDS] = {"malloc", "calloc", "realloc", "free",
                                                "memalign", "mutex lock", "file open", "sleep"};

const char* lumdel_rt_kind_name(int kind) {
    return kind >= 0 && kind < RT_KINDS ? kindNames[kind] : "?";
}

#ifdef RT_SANITIZED

int lumdel_rt_available(void) { return 0; }
void lumdel_rt_begin(void) {}
void lumdel_rt_end(struct RtCounts* total) { (void)total; }
void lumdel_rt_record_writes(int on) { (void)on; }
int lumdel_rt_written_count(void) { return 0; }
const char* lumdel_rt_written_path(int index) {
    (void)index;
    return "";
}

#else

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static __thread int inside;
static __thread struct RtCounts counts;

static void count(int kind) {
    if (inside) ++counts.calls[kind];
}

static void countLock(const void* mutex) {
    if (!inside) return;
    ++counts.calls[RT_LOCK];
    for (int i = 0; i < counts.distinctLocks; ++i)
        if (counts.locks[i] == mutex) return;
    if (counts.distinctLocks < RT_MAX_LOCKS) counts.locks[counts.distinctLocks++] = mutex;
}

int lumdel_rt_available(void) { return 1; }

void lumdel_rt_begin(void) {
    memset(&counts, 0, sizeof counts);
    inside = 1;
}

void lumdel_rt_end(struct RtCounts* total) {
    inside = 0;
    if (!total) return;
    for (int k = 0; k < RT_KINDS; ++k) total->calls[k] += counts.calls[k];
    for (int i = 0; i < counts.distinctLocks; ++i) {
        int known = 0;
        for (int j = 0; j < total->distinctLocks; ++j) known |= total->locks[j] == counts.locks[i];
        if (!known && total->distinctLocks < RT_MAX_LOCKS)
            total->locks[total->distinctLocks++] = counts.locks[i];
    }
}

/* --- paths opened for writing ----------------------------------------------------- */

static volatile int recordWrites;
static char writtenPaths[RT_MAX_PATHS][512];
static int writtenCount;

void lumdel_rt_record_writes(int on) { recordWrites = on; }
int lumdel_rt_written_count(void) { return __atomic_load_n(&writtenCount, __ATOMIC_ACQUIRE); }
const char* lumdel_rt_written_path(int index) {
    return index >= 0 && index < lumdel_rt_written_count() ? writtenPaths[index] : "";
}

static void recordPath(const char* dir, const char* path) {
    if (!recordWrites || !path) return;
    int slot = __atomic_fetch_add(&writtenCount, 1, __ATOMIC_ACQ_REL);
    if (slot >= RT_MAX_PATHS) {
        __atomic_store_n(&writtenCount, RT_MAX_PATHS, __ATOMIC_RELEASE);
        return;
    }
    if (dir && path[0] != '/')
        snprintf(writtenPaths[slot], sizeof writtenPaths[slot], "%s/%s", dir, path);
    else
        snprintf(writtenPaths[slot], sizeof writtenPaths[slot], "%s", path);
}

/* --- the real functions ----------------------------------------------------------- */

static void* (*realMalloc)(size_t);
static void (*realFree)(void*);
static void* (*realCalloc)(size_t, size_t);
static void* (*realRealloc)(void*, size_t);
static int (*realPosixMemalign)(void**, size_t, size_t);
static void* (*realAlignedAlloc)(size_t, size_t);
static void* (*realMemalign)(size_t, size_t);
static int (*realMutexLock)(pthread_mutex_t*);
static int (*realMutexTrylock)(pthread_mutex_t*);
static int (*realMutexTimedlock)(pthread_mutex_t*, const struct timespec*);
static int (*realMutexClocklock)(pthread_mutex_t*, clockid_t, const struct timespec*);
static int (*realOpen)(const char*, int, ...);
static int (*realOpen64)(const char*, int, ...);
static int (*realOpenat)(int, const char*, int, ...);
static FILE* (*realFopen)(const char*, const char*);
static FILE* (*realFopen64)(const char*, const char*);
static int (*realNanosleep)(const struct timespec*, struct timespec*);
static int (*realClockNanosleep)(clockid_t, int, const struct timespec*, struct timespec*);
static int (*realUsleep)(useconds_t);
static unsigned (*realSleep)(unsigned);

static int resolving;
static _Alignas(16) char arena[1 << 16];
static size_t arenaUsed;

static int inArena(const void* p) {
    return (const char*)p >= arena && (const char*)p < arena + sizeof arena;
}

static void* arenaAlloc(size_t n) {
    n = (n + 15) & ~(size_t)15;
    if (arenaUsed + n > sizeof arena) return NULL;
    void* p = arena + arenaUsed;
    arenaUsed += n;
    return p;
}

#define RESOLVE(var, name) var = (__typeof__(var))dlsym(RTLD_NEXT, name)

static void resolve(void) {
    if (realMalloc || resolving) return;
    resolving = 1;
    RESOLVE(realCalloc, "calloc");
    RESOLVE(realFree, "free");
    RESOLVE(realRealloc, "realloc");
    RESOLVE(realPosixMemalign, "posix_memalign");
    RESOLVE(realAlignedAlloc, "aligned_alloc");
    RESOLVE(realMemalign, "memalign");
    RESOLVE(realMutexLock, "pthread_mutex_lock");
    RESOLVE(realMutexTrylock, "pthread_mutex_trylock");
    RESOLVE(realMutexTimedlock, "pthread_mutex_timedlock");
    RESOLVE(realMutexClocklock, "pthread_mutex_clocklock");
    RESOLVE(realOpen, "open");
    RESOLVE(realOpen64, "open64");
    RESOLVE(realOpenat, "openat");
    RESOLVE(realFopen, "fopen");
    RESOLVE(realFopen64, "fopen64");
    RESOLVE(realNanosleep, "nanosleep");
    RESOLVE(realClockNanosleep, "clock_nanosleep");
    RESOLVE(realUsleep, "usleep");
    RESOLVE(realSleep, "sleep");
    RESOLVE(realMalloc, "malloc");  /* last: it marks the table complete */
    resolving = 0;
}

__attribute__((constructor(101))) static void resolveEarly(void) { resolve(); }

void* malloc(size_t n) {
    if (!realMalloc) {
        if (resolving) return arenaAlloc(n);
        resolve();
    }
    count(RT_MALLOC);
    return realMalloc(n);
}

void* calloc(size_t n, size_t size) {
    if (!realMalloc) {
        if (resolving) return arenaAlloc(n * size); /* the arena is zeroed */
        resolve();
    }
    count(RT_CALLOC);
    return realCalloc(n, size);
}

void free(void* p) {
    if (!p || inArena(p)) return;
    if (!realMalloc) resolve();
    count(RT_FREE);
    realFree(p);
}

void* realloc(void* p, size_t n) {
    if (!realMalloc) resolve();
    count(RT_REALLOC);
    if (p && inArena(p)) {
        void* q = realMalloc(n);
        size_t left = (size_t)(arena + sizeof arena - (char*)p);
        if (q) memcpy(q, p, n < left ? n : left);
        return q;
    }
    return realRealloc(p, n);
}

int posix_memalign(void** out, size_t alignment, size_t n) {
    if (!realMalloc) resolve();
    count(RT_MEMALIGN);
    return realPosixMemalign(out, alignment, n);
}

void* aligned_alloc(size_t alignment, size_t n) {
    if (!realMalloc) resolve();
    count(RT_MEMALIGN);
    return realAlignedAlloc(alignment, n);
}

void* memalign(size_t alignment, size_t n) {
    if (!realMalloc) resolve();
    count(RT_MEMALIGN);
    return realMemalign(alignment, n);
}

int pthread_mutex_lock(pthread_mutex_t* m) {
    if (!realMutexLock) resolve();
    countLock(m);
    return realMutexLock(m);
}

int pthread_mutex_trylock(pthread_mutex_t* m) {
    if (!realMutexTrylock) resolve();
    countLock(m);
    return realMutexTrylock(m);
}

int pthread_mutex_timedlock(pthread_mutex_t* m, const struct timespec* t) {
    if (!realMutexTimedlock) resolve();
    countLock(m);
    return realMutexTimedlock(m, t);
}

int pthread_mutex_clocklock(pthread_mutex_t* m, clockid_t c, const struct timespec* t) {
    if (!realMutexClocklock) resolve();
    countLock(m);
    return realMutexClocklock(m, c, t);
}

static int writes(int flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND)) != 0; }

static void recordAt(int dirfd, const char* path) {
    if (!recordWrites) return;
    char dir[512] = "";
    if (path && path[0] != '/') {
        if (dirfd == AT_FDCWD) {
            if (!getcwd(dir, sizeof dir)) dir[0] = 0;
        } else {
            char link[64];
            snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
            ssize_t n = readlink(link, dir, sizeof dir - 1);
            dir[n > 0 ? n : 0] = 0;
        }
    }
    recordPath(dir[0] ? dir : NULL, path);
}

int open(const char* path, int flags, ...) {
    if (!realOpen) resolve();
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = (mode_t)va_arg(ap, int);
        va_end(ap);
    }
    count(RT_FILE);
    if (writes(flags)) recordAt(AT_FDCWD, path);
    return realOpen(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    if (!realOpen64) resolve();
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = (mode_t)va_arg(ap, int);
        va_end(ap);
    }
    count(RT_FILE);
    if (writes(flags)) recordAt(AT_FDCWD, path);
    return realOpen64(path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
    if (!realOpenat) resolve();
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = (mode_t)va_arg(ap, int);
        va_end(ap);
    }
    count(RT_FILE);
    if (writes(flags)) recordAt(dirfd, path);
    return realOpenat(dirfd, path, flags, mode);
}

static int modeWrites(const char* mode) {
    return mode && (strchr(mode, 'w') || strchr(mode, 'a') || strchr(mode, '+'));
}

FILE* fopen(const char* path, const char* mode) {
    if (!realFopen) resolve();
    count(RT_FILE);
    if (modeWrites(mode)) recordAt(AT_FDCWD, path);
    return realFopen(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    if (!realFopen64) resolve();
    count(RT_FILE);
    if (modeWrites(mode)) recordAt(AT_FDCWD, path);
    return realFopen64(path, mode);
}

int nanosleep(const struct timespec* t, struct timespec* rest) {
    if (!realNanosleep) resolve();
    count(RT_SLEEP);
    return realNanosleep(t, rest);
}

int clock_nanosleep(clockid_t c, int flags, const struct timespec* t, struct timespec* rest) {
    if (!realClockNanosleep) resolve();
    count(RT_SLEEP);
    return realClockNanosleep(c, flags, t, rest);
}

int usleep(useconds_t us) {
    if (!realUsleep) resolve();
    count(RT_SLEEP);
    return realUsleep(us);
}

unsigned sleep(unsigned s) {
    if (!realSleep) resolve();
    count(RT_SLEEP);
    return realSleep(s);
}

#endif
