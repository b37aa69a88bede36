// murtal(C, K, L) as every host runs it: the checks in their order and the
// counting loop, with the same messages everywhere. Host-free: a host
// supplies the traits through which the checks see its arrays
// (argument_checks.h), with the sparse column's row indices and column
// starts, and creates the K-by-1 result between read_murtal_inputs() and
// count_clusters() (cluster_count.h).
#ifndef MEX_SUITE_MURTAL_ARGUMENTS_H
#define MEX_SUITE_MURTAL_ARGUMENTS_H

#include <cstddef>
#include <type_traits>

#include "argument_checks.h"
#include "cluster_count.h"

namespace murtal_arguments {

enum { IN_C, IN_K, IN_L, INPUT_COUNT };

// The checks up to the creation of the result, in their order.
template <class Host>
auto read_murtal_inputs(int nlhs, int nrhs, const typename Host::Array *inputs)
{
    using argument_checks::reject;
    if (nrhs != INPUT_COUNT)
        reject(call, nullptr, "Wrong number of input arguments");
    if (nlhs > 1)
        reject(call, nullptr, "Too many output arguments");
    const typename Host::Array column = inputs[IN_C];
    if (!Host::sparse(column))
        reject(call, nullptr, "C must be sparse");
    if (Host::columns(column) != 1)
        reject(call, nullptr, "C must be a sparse column vector");

    // K is truncated toward zero; the range is decided on the double so that
    // NaN, infinities and values beyond 32 bits are never converted.
    const double k_value = argument_checks::scalar_value<Host>(inputs[IN_K], input_k);
    if (!argument_checks::truncates_into_int32(k_value, 0.0))
        reject(input_k, "badClusterCount", "must truncate to a cluster count from 0 to 2147483647");

    // Only the labels of rows holding stored entries are read. In a column
    // whose row indices ascend, as the hosts store them, the last stored
    // entry has the largest row, so a short L is refused before the result
    // exists. Another module may hand over a column out of order; the loop
    // bounds every row itself, so no label beyond L is ever read.
    using Index = std::remove_const_t<std::remove_pointer_t<decltype(Host::row_indices(column))>>;
    MurtalInputs<Index> in;
    in.cluster_count = static_cast<int>(k_value);
    in.rows = Host::row_indices(column);
    in.stored = static_cast<std::size_t>(Host::column_starts(column)[1]);
    const std::size_t labels_needed =
        in.stored > 0 ? static_cast<std::size_t>(in.rows[in.stored - 1]) + 1 : 0;
    in.labels = argument_checks::double_array<Host>(inputs[IN_L], labels_needed, input_l);
    in.label_count = Host::count(inputs[IN_L]);
    return in;
}

}  // namespace murtal_arguments

#endif
