/* In C: the C library's header for this is written for C compilers. */
#include "engine/bands/cpu_features.h"

#if defined(__x86_64__) && defined(__has_include)
#if __has_include(<sys/platform/x86.h>)
#include <sys/platform/x86.h>
#define IMPACT_CPU_FEATURES 1
#endif
#endif

int cpuHasAvx512Bw(void)
{
#if defined(IMPACT_CPU_FEATURES)
    return CPU_FEATURE_ACTIVE(AVX512F) && CPU_FEATURE_ACTIVE(AVX512BW);
#else
    return 0;
#endif
}

int cpuHasAvx512Gfni(void)
{
#if defined(IMPACT_CPU_FEATURES)
    return cpuHasAvx512Bw() && CPU_FEATURE_ACTIVE(AVX512_VBMI) && CPU_FEATURE_ACTIVE(GFNI);
#else
    return 0;
#endif
}
