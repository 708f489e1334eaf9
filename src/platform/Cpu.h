// What hot pixel kernels may ask of the compiler and the processor. A kernel
// is compiled a second time with VELMOR_TARGET_AVX2 and chosen at run time
// when cpu_has_avx2() says the processor has it; elsewhere both are the same.
// Setting the environment variable VELMOR_NO_AVX2 keeps to the baseline
// kernels (to check them on a processor that has AVX2).
#pragma once

#include <cstdlib>

#if defined(__GNUC__) && defined(__x86_64__)
#define VELMOR_TARGET_AVX2 __attribute__((target("avx2")))
#else
#define VELMOR_TARGET_AVX2
#endif

// Placed before a loop whose iterations never touch memory another iteration
// touches, so the vectoriser needs no run-time overlap checks.
#if defined(__clang__)
#define VELMOR_INDEPENDENT_ITERATIONS _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define VELMOR_INDEPENDENT_ITERATIONS _Pragma("GCC ivdep")
#else
#define VELMOR_INDEPENDENT_ITERATIONS
#endif

namespace velmor::platform {

inline bool cpu_has_avx2() {
#if defined(__GNUC__) && defined(__x86_64__)
  static const bool has = __builtin_cpu_supports("avx2") && !std::getenv("VELMOR_NO_AVX2");
  return has;
#else
  return false;
#endif
}

}  // namespace velmor::platform
