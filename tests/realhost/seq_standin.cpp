// An ALSA sequencer with no other clients, for hosts that will not start without one on a
// machine that has no /dev/snd/seq (containers, CI). Preloaded into the host:
//
//     LD_PRELOAD=./libseq_standin.so qtractor ...
//
// It answers every sequencer call that takes the handle: opening succeeds, ports and
// queues are created (numbers counted up), subscriptions are accepted, events sent are
// dropped, no event ever arrives (the poll descriptor is a pipe nobody writes to), and
// the list of other clients and ports is empty. The calls on info records (sizeof,
// get/set of fields) stay alsa-lib's own. Nothing here locks or allocates per event, so
// a host's MIDI thread calling in keeps its timing.
// Built by qtractor_clap.sh: c++ -std=c++17 -shared -fPIC seq_standin.cpp -o libseq_standin.so
#include <atomic>
#include <cerrno>
#include <new>
#include <poll.h>
#include <unistd.h>

namespace {

struct Sequencer {
    int pipe[2] = {-1, -1};
    std::atomic<int> nextPort{0};
    std::atomic<int> nextQueue{0};
};

constexpr int kClientId = 128;  // the first number the kernel gives a user client

Sequencer* seqOf(void* handle) { return static_cast<Sequencer*>(handle); }

}  // namespace

#define LUMDEL_SEQ_EXPORT __attribute__((visibility("default")))

extern "C" {

LUMDEL_SEQ_EXPORT int snd_seq_open(void** handle, const char*, int, int) {
    if (!handle) return -EINVAL;
    auto* seq = new (std::nothrow) Sequencer;
    if (!seq) return -ENOMEM;
    if (::pipe(seq->pipe) != 0) {
        delete seq;
        return -errno;
    }
    *handle = seq;
    return 0;
}

LUMDEL_SEQ_EXPORT int snd_seq_close(void* handle) {
    Sequencer* seq = seqOf(handle);
    if (!seq) return -EINVAL;
    ::close(seq->pipe[0]);
    ::close(seq->pipe[1]);
    delete seq;
    return 0;
}

LUMDEL_SEQ_EXPORT int snd_seq_client_id(void* handle) { return handle ? kClientId : -EINVAL; }
LUMDEL_SEQ_EXPORT int snd_seq_set_client_name(void*, const char*) { return 0; }

LUMDEL_SEQ_EXPORT int snd_seq_create_simple_port(void* handle, const char*, unsigned, unsigned) {
    return handle ? seqOf(handle)->nextPort++ : -EINVAL;
}
LUMDEL_SEQ_EXPORT int snd_seq_delete_simple_port(void*, int) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_alloc_queue(void* handle) {
    return handle ? seqOf(handle)->nextQueue++ : -EINVAL;
}
LUMDEL_SEQ_EXPORT int snd_seq_free_queue(void*, int) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_control_queue(void*, int, int, int, void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_set_queue_tempo(void*, int, void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_set_queue_timer(void*, int, void*) { return 0; }
// The records the host passes in come from alsa-lib's own allocators, zeroed: left as
// they are, a queue stands at tick 0 and a tempo reads 0.
LUMDEL_SEQ_EXPORT int snd_seq_get_queue_status(void*, int, void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_get_queue_tempo(void*, int, void*) { return 0; }

LUMDEL_SEQ_EXPORT int snd_seq_event_output(void*, void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_event_output_direct(void*, void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_drain_output(void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_drop_output(void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_drop_input(void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_remove_events(void*, void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_event_input(void*, void** event) {
    if (event) *event = nullptr;
    return -EAGAIN;
}
LUMDEL_SEQ_EXPORT int snd_seq_event_input_pending(void*, int) { return 0; }

LUMDEL_SEQ_EXPORT int snd_seq_poll_descriptors_count(void* handle, short) { return handle ? 1 : 0; }
LUMDEL_SEQ_EXPORT int snd_seq_poll_descriptors(void* handle, pollfd* fds, unsigned space,
                                               short events) {
    if (!handle || !fds || space < 1) return 0;
    fds[0].fd = seqOf(handle)->pipe[0];
    fds[0].events = events;
    fds[0].revents = 0;
    return 1;
}

// No other client, no other port, no subscriber.
LUMDEL_SEQ_EXPORT int snd_seq_query_next_client(void*, void*) { return -ENOENT; }
LUMDEL_SEQ_EXPORT int snd_seq_query_next_port(void*, void*) { return -ENOENT; }
LUMDEL_SEQ_EXPORT int snd_seq_query_port_subscribers(void*, void*) { return -ENOENT; }
LUMDEL_SEQ_EXPORT int snd_seq_get_any_client_info(void*, int, void*) { return -ENOENT; }
LUMDEL_SEQ_EXPORT int snd_seq_get_any_port_info(void*, int, int, void*) { return -ENOENT; }
LUMDEL_SEQ_EXPORT int snd_seq_get_port_info(void*, int, void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_set_port_info(void*, int, void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_subscribe_port(void*, void*) { return 0; }
LUMDEL_SEQ_EXPORT int snd_seq_unsubscribe_port(void*, void*) { return 0; }

}  // extern "C"
