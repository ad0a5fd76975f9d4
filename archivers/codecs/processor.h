// What the processor can do, as cpuid's leaf 1 says (x86 only). Platform-free.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>

namespace archivers {

// Whether leaf 1 sets every bit of `ecx` and of `edx` (cpuid.h's bit_...).
inline bool ProcessorHas(unsigned ecx, unsigned edx) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  return __get_cpuid(1, &a, &b, &c, &d) && (c & ecx) == ecx && (d & edx) == edx;
}

}  // namespace archivers
#endif
