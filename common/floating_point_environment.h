// The floating-point environment a computation runs in, fixed for its
// duration whatever state the calling process left the FPU in.
//
// A host process may leave any state behind: Windows starts x86-64 processes
// with the x87 unit at 53-bit precision, a user can change the rounding
// direction from the prompt, a library may switch on flush-to-zero or unmask
// an exception. A module's results must not depend on any of it. For the
// lifetime of a FixedEnvironment:
//
//   - SSE (x86-64): MXCSR is 0x1F80, round to nearest, denormals neither
//     flushed nor read as zero, every exception masked (so a division by
//     zero gives the infinity the modules pass on, never a trap);
//   - x87 (x86-64 Windows only): the control word is 0x037F, 64-bit
//     precision, round to nearest, every exception masked. mingw-w64's exp,
//     log and pow compute on the x87 unit and round once to double; they are
//     written for 64-bit precision, give other bits at 53 bits, and round
//     in the current direction;
//   - FPCR (aarch64): 0, the state Linux starts processes in: round to
//     nearest, no flush-to-zero (FZ, and FZ16 for half precision), NaNs
//     propagated rather than replaced by the default NaN (DN), IEEE half
//     precision (AHP), no exception trap enabled, and none of the
//     alternative handling of newer cores (AH, FIZ, NEP).
//
// The destructor puts back the caller's environment exactly, modes and
// exception flags (MXCSR; the x87 environment; FPCR and FPSR), so the caller
// sees neither a changed mode nor a flag it did not raise. It runs on every
// path out of the scope, unwinding included; the gateways still hold one
// only around their computation, after every error call, because not every
// host unwinds its error call as a C++ exception. Where none of these units
// exists it does nothing. It allocates nothing, and the computational
// routines never see it: the gateway that calls them holds it.
#ifndef MEX_SUITE_FLOATING_POINT_ENVIRONMENT_H
#define MEX_SUITE_FLOATING_POINT_ENVIRONMENT_H

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define MEX_SUITE_FIX_MXCSR 1
#endif
// On x86-64 Windows the calling convention keeps the x87 register stack
// empty across calls, so restoring the whole x87 environment at the end of
// the scope restores only the control word and the flags.
#if defined(__x86_64__) && defined(_WIN32) && defined(__GNUC__)
#define MEX_SUITE_FIX_X87 1
#endif
#if defined(__aarch64__) && defined(__GNUC__)
#include <cstdint>
#define MEX_SUITE_FIX_FPCR 1
#endif

namespace floating_point_environment {

constexpr unsigned int fixed_mxcsr = 0x1F80;
constexpr unsigned short fixed_x87_control = 0x037F;

#if MEX_SUITE_FIX_FPCR
constexpr std::uint64_t fixed_fpcr = 0;

// FPCR (the modes) and FPSR (the cumulative flags) are 64-bit system
// registers; their upper halves are reserved.
struct FpcrFpsr {
    std::uint64_t fpcr, fpsr;
};
inline FpcrFpsr read_fpcr_fpsr()
{
    FpcrFpsr value;
    __asm__ __volatile__("mrs %0, fpcr\n\tmrs %1, fpsr"
                         : "=r"(value.fpcr), "=r"(value.fpsr)
                         :
                         : "memory");
    return value;
}
inline void write_fpcr(std::uint64_t value)
{
    __asm__ __volatile__("msr fpcr, %0" : : "r"(value) : "memory");
}
inline void write_fpsr(std::uint64_t value)
{
    __asm__ __volatile__("msr fpsr, %0" : : "r"(value) : "memory");
}
#endif

class FixedEnvironment {
public:
    FixedEnvironment()
    {
#if MEX_SUITE_FIX_MXCSR
        saved_mxcsr_ = _mm_getcsr();
        _mm_setcsr(fixed_mxcsr);
#endif
#if MEX_SUITE_FIX_X87
        __asm__ __volatile__("fnstenv %0" : "=m"(saved_x87_) : : "memory");
        __asm__ __volatile__("fldcw %0" : : "m"(fixed_x87_control) : "memory");
#endif
#if MEX_SUITE_FIX_FPCR
        // A write to FPCR can stall the pipeline: skipped when the caller's
        // modes are the fixed ones already, as they usually are.
        const FpcrFpsr saved = read_fpcr_fpsr();
        saved_fpcr_ = saved.fpcr;
        saved_fpsr_ = saved.fpsr;
        if (saved_fpcr_ != fixed_fpcr)
            write_fpcr(fixed_fpcr);
#endif
    }

    ~FixedEnvironment()
    {
#if MEX_SUITE_FIX_FPCR
        write_fpcr(saved_fpcr_);
        write_fpsr(saved_fpsr_);  // drops the flags raised in the scope
#endif
#if MEX_SUITE_FIX_X87
        __asm__ __volatile__("fldenv %0" : : "m"(saved_x87_) : "memory");
#endif
#if MEX_SUITE_FIX_MXCSR
        _mm_setcsr(saved_mxcsr_);
#endif
    }

    FixedEnvironment(const FixedEnvironment &) = delete;
    FixedEnvironment &operator=(const FixedEnvironment &) = delete;

private:
#if MEX_SUITE_FIX_MXCSR
    unsigned int saved_mxcsr_ = 0;
#endif
#if MEX_SUITE_FIX_X87
    unsigned int saved_x87_[7] = {};  // the 28-byte environment fnstenv stores
#endif
#if MEX_SUITE_FIX_FPCR
    std::uint64_t saved_fpcr_ = 0, saved_fpsr_ = 0;
#endif
};

// The environment for printing numbers into a message: the fixed one, and
// on x86-64 outside Windows the x87 control word as well, since the C
// library formats a double with x87 arithmetic and rounds its digits in the
// x87 unit's direction, which FixedEnvironment leaves to the caller there
// (no computation uses that unit). Only error paths print, so what the
// x87 environment costs to save does not matter.
class FixedPrintingEnvironment {
public:
    FixedPrintingEnvironment()
    {
#if MEX_SUITE_FIX_MXCSR && !MEX_SUITE_FIX_X87 && defined(__GNUC__)
        __asm__ __volatile__("fnstenv %0" : "=m"(saved_x87_) : : "memory");
        __asm__ __volatile__("fldcw %0" : : "m"(fixed_x87_control) : "memory");
#endif
    }
    ~FixedPrintingEnvironment()
    {
#if MEX_SUITE_FIX_MXCSR && !MEX_SUITE_FIX_X87 && defined(__GNUC__)
        __asm__ __volatile__("fldenv %0" : : "m"(saved_x87_) : "memory");
#endif
    }
    FixedPrintingEnvironment(const FixedPrintingEnvironment &) = delete;
    FixedPrintingEnvironment &operator=(const FixedPrintingEnvironment &) = delete;

private:
    FixedEnvironment fixed_;
#if MEX_SUITE_FIX_MXCSR && !MEX_SUITE_FIX_X87 && defined(__GNUC__)
    unsigned int saved_x87_[7] = {};
#endif
};

}  // namespace floating_point_environment

#endif
