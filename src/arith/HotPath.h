#pragma once
// BRUNSK_HOT marks the functions of the innermost loops. On x86-64 they are
// compiled three times, for the baseline instruction set, for the x86-64-v2
// level (POPCNT, SSE4.2) and for the x86-64-v3 level (AVX2, BMI2, LZCNT),
// and the loader picks the newest copy that the processor can run: one
// binary runs on any x86-64 machine and uses the newer instructions where
// they exist. The values are the same in every copy: contraction stays off,
// so no fused multiply-add is ever formed, and every other instruction of the
// newer levels rounds exactly as the baseline does. A build for the host's
// own instruction set (or without GCC's function clones) compiles them once.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__AVX2__) && \
    !defined(BRUNSK_NO_CLONES)
#define BRUNSK_HOT __attribute__((target_clones("arch=x86-64-v3", "arch=x86-64-v2", "default")))
#else
#define BRUNSK_HOT
#endif
