#pragma once
// What the processor can do, as the C library found out at start-up (it
// asked with CPUID once; asking again costs a fraction of a millisecond a
// job in a virtual machine). 0 on processors and C libraries that cannot
// tell.
#ifdef __cplusplus
extern "C" {
#endif

// AVX-512 F and BW, usable (the system saves the registers).
int cpuHasAvx512Bw(void);
// The above, and AVX-512 VBMI and GFNI.
int cpuHasAvx512Gfni(void);

#ifdef __cplusplus
}
#endif
