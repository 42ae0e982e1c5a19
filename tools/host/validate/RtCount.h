/* Counts what the calling thread does while it is inside a plug-in's block operation:
 * heap calls, mutex locks, file opens and sleeps. The counting functions replace the C
 * library's own (malloc, pthread_mutex_lock, open, nanosleep ...) in the program that
 * links this file and forward to them; a plug-in library loaded later calls them too.
 * Not available in sanitizer builds, whose run-time owns malloc. */
#ifndef LUMDEL_RTCOUNT_H
#define LUMDEL_RTCOUNT_H

#ifdef __cplusplus
extern "C" {
#endif

enum {
    RT_MALLOC,
    RT_CALLOC,
    RT_REALLOC,
    RT_FREE,
    RT_MEMALIGN,
    RT_LOCK,
    RT_FILE,
    RT_SLEEP,
    RT_KINDS
};

#define RT_MAX_LOCKS 8
#define RT_MAX_PATHS 64

struct RtCounts {
    long calls[RT_KINDS];
    int distinctLocks;          /* distinct mutexes locked inside */
    const void* locks[RT_MAX_LOCKS];
};

int lumdel_rt_available(void);
const char* lumdel_rt_kind_name(int kind);
/* Starts counting on the calling thread (counters cleared). */
void lumdel_rt_begin(void);
/* Stops counting on the calling thread and adds what it counted to *total. */
void lumdel_rt_end(struct RtCounts* total);

/* Records every path opened for writing by any thread, from now on. */
void lumdel_rt_record_writes(int on);
int lumdel_rt_written_count(void);
const char* lumdel_rt_written_path(int index);

#ifdef __cplusplus
}
#endif

#endif
