// The count itself: one pass over the stored entries of the column, adding
// one to the count of each entry's cluster. Host-free and allocation-free;
// a row or label outside what was checked before the result existed ends
// the call from inside the loop, as the checks' order wants it.
#ifndef MEX_SUITE_CLUSTER_COUNT_H
#define MEX_SUITE_CLUSTER_COUNT_H

#include <cstddef>

#include "argument_checks.h"

namespace murtal_arguments {

constexpr argument_checks::InputName call{"murtal", 0, nullptr};
constexpr argument_checks::InputName input_c{"murtal", 1, "C"};
constexpr argument_checks::InputName input_k{"murtal", 2, "K"};
constexpr argument_checks::InputName input_l{"murtal", 3, "L"};
// The three in position order, for the hosts that list them.
constexpr const argument_checks::InputName *inputs[] = {&input_c, &input_k, &input_l};

// The labels are gathered through the row indices, a stream the hardware
// does not foresee; asking for them this many entries ahead (a few pages of
// labels) keeps memory busy while earlier entries are counted.
constexpr std::size_t prefetch_distance = 256;

inline void prefetch(const double *address)
{
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// What the count needs, read and checked before the result exists.
template <class Index>
struct MurtalInputs {
    int cluster_count;
    const Index *rows;      // the row of each stored entry
    std::size_t stored;
    const double *labels;
    std::size_t label_count;
};

// Adds one to counts[label - 1] for every stored entry, in storage order.
template <class Index>
void count_clusters(const MurtalInputs<Index> &in, double *counts)
{
    // A label is valid when it truncates into 1..K, that is when
    // 1 <= label < K + 1 on the double itself (NaN fails both comparisons).
    const double label_limit = static_cast<double>(in.cluster_count) + 1.0;
    for (std::size_t i = 0; i < in.stored; ++i) {
        const std::size_t ahead = i + prefetch_distance < in.stored ? i + prefetch_distance
                                                                    : in.stored - 1;
        // Octave's indices are signed: as sizes, a negative one is out of range too.
        if (static_cast<std::size_t>(in.rows[ahead]) < in.label_count)
            prefetch(in.labels + in.rows[ahead]);
        const std::size_t row = static_cast<std::size_t>(in.rows[i]);
        if (row >= in.label_count)
            argument_checks::reject_too_short(input_l, row + 1, in.label_count);
        const double label = in.labels[row];
        if (!(label >= 1.0 && label < label_limit))
            argument_checks::reject(call, nullptr, "Invalid cluster label value");
        counts[static_cast<int>(label) - 1] += 1.0;
    }
}

}  // namespace murtal_arguments

#endif
