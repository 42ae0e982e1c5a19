// Which host buffers feed the main inputs, the ducking detector and the outputs,
// chosen from the channel counts of the host's speaker arrangement (or its pins).
#pragma once

namespace lumdel {

struct Routing {
    int inputIndexL = 0;
    int inputIndexR = 0;
    int sidechainIndexL = 0;
    int sidechainIndexR = 0;
    int outputIndexL = 0;
    int outputIndexR = 0;
};

// Looks up a supported pair of channel counts; false leaves routing unchanged.
inline bool routingFor(int inputs, int outputs, Routing& routing) {
    struct Row {
        int inputs, outputs;
        Routing r;
    };
    static constexpr Row rows[] = {
        {1, 1, {0, 0, 0, 0, 0, 0}}, {1, 2, {0, 0, 0, 0, 0, 1}}, {2, 1, {0, 0, 1, 1, 0, 0}},
        {2, 2, {0, 1, 0, 1, 0, 1}}, {3, 2, {0, 1, 2, 2, 0, 1}}, {4, 2, {0, 1, 2, 3, 0, 1}},
    };
    for (const Row& row : rows) {
        if (row.inputs == inputs && row.outputs == outputs) {
            routing = row.r;
            return true;
        }
    }
    return false;
}

}  // namespace lumdel
