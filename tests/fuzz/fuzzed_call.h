// Turns the fuzzer's bytes into one gateway call: the numbers of inputs and
// outputs, and every input array with its class, shape, sparsity, complexity
// and values. Shared by every gateway's fuzz target.
//
// Byte layout (a stream that reads as zeros once it runs out):
//   count of inputs   below 224: the gateway's own count, else 0..31
//   count of outputs  below 224: the gateway's own count, else 0..7
//   per input         kind byte, shape byte, size byte, then its contents
//   kind              low 5 bits: class (mostly double); top 3 bits: dense
//                     real (0-4), dense complex (5), sparse real (6), sparse
//                     complex (7); sparse applies to double and logical only
//   shape             0x0, 1x1, 1xN, Nx1, RxC, 0xN or Nx0, 1x1, Nx1
//   contents          dense: one value per element (then the imaginary
//                     parts of a complex double); sparse: one bit per row and
//                     column marking the stored entries
//   value             a byte: special values (NaN, infinities, 32-bit limits,
//                     the largest double ...), small multiples of 0.25 from
//                     -8 to 47.75 (counts and labels), or the 8 raw bytes of
//                     a double that follow
#ifndef MEX_SUITE_TESTS_FUZZ_FUZZED_CALL_H
#define MEX_SUITE_TESTS_FUZZ_FUZZED_CALL_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "in_process_host.h"

namespace fuzzing {

struct FuzzedCall {
    int nlhs = 0;
    std::vector<in_process_host::ArrayPtr> inputs;

    std::vector<const mxArray *> input_pointers() const;
};

// usual_inputs and usual_outputs are the counts of a correct call; most
// decoded calls use them, so the fuzzer spends its time past the count checks.
FuzzedCall decode_call(const std::uint8_t *data, std::size_t size, int usual_inputs,
                       int usual_outputs);

}  // namespace fuzzing

#endif
