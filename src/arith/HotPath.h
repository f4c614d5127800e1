#pragma once
// The copies of the innermost loops and the one choice among them. On x86-64
// each hot function is compiled four times from one text: for the baseline
// instruction set, for the x86-64-v2 level (POPCNT, SSE4.2), for the
// x86-64-v3 level (AVX2, BMI2, LZCNT) and for the x86-64-v4 level (AVX-512
// F, BW, DQ, VL). At start-up the newest copy that the
// processor runs is chosen once, from its features (HotPath.cpp); every call
// of a hot function then goes to that copy. One binary runs on any x86-64
// machine and uses the newer instructions where they exist, the same way on
// ELF and on PE (no loader resolver is involved). On other processors there
// is one copy, the portable one. The values are the same in every copy:
// contraction stays off, so no fused multiply-add is ever formed, and every
// other instruction of the newer levels rounds exactly as the baseline does.
//
// The environment variable BRUNSK_COPY forces a copy by its name (baseline,
// x86-64-v2, x86-64-v3, x86-64-v4); a copy the processor lacks, or an unknown name, is
// refused at start-up with a message and the exit status
// kHotCopyUnavailableStatus. The tests run under every copy that way.
//
// A hot function is split in two: its body, marked BRUNSK_HOT_BODY and
// inlined into every copy, and the function itself, whose only statement is
// BRUNSK_HOT_DISPATCH(the call of the body):
//
//   BRUNSK_HOT_BODY void Block::RunSieveBody(double start, double end) { ... }
//   void Block::RunSieve(double start, double end) { BRUNSK_HOT_DISPATCH(RunSieveBody(start, end)); }
//
// The choice is taken once per call of a hot function, never inside its
// loops: the function loads one global, compares it and calls its copy (the
// baseline one too is a function of its own, so that the dispatcher stays a
// few instructions with no frame to set up). Helpers the body calls are
// inlined into each copy as usual (GCC inlines a function of the baseline
// level into a function of a newer one); a helper it does not inline stays
// baseline code, slower but correct everywhere. The copies are functions of
// one translation unit with their own target, not whole translation units
// built with other -march flags: those would also emit the inline functions
// of the headers with the newer instructions, and the linker could pick such
// an emitted copy for the baseline code.
//
// The copies beyond the baseline, oldest first: the enumerator and the name,
// which is both the level the copy is compiled for (target "arch=name") and
// the feature the processor is asked for (__builtin_cpu_supports(name)).
// A further copy is one more line of the list, before its end: that line is
// both its build (every hot function gets the copy) and its place in the
// choice (taken where the processor has it); the tests run under it by the
// same list (CMakeLists.txt reads the names).
// A build for the host's own instruction set (-march with AVX2) or by another
// compiler has no copies beyond the baseline.
#include <string>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__AVX2__)
#define BRUNSK_HOT_COPIES(X, arg) \
  X(arg, kV2, "x86-64-v2")        \
  X(arg, kV3, "x86-64-v3")        \
  X(arg, kV4, "x86-64-v4")        \
  /* the end of the list */
#define BRUNSK_HOT_X86_COPIES 1
#else
#define BRUNSK_HOT_COPIES(X, arg)
#define BRUNSK_HOT_X86_COPIES 0
#endif

#define BRUNSK_HOT_ENUMERATOR(arg, id, name) id,
enum class HotCopy : int { kBaseline, BRUNSK_HOT_COPIES(BRUNSK_HOT_ENUMERATOR, ~) kCount };
#undef BRUNSK_HOT_ENUMERATOR

namespace hotpath {
// The copy that runs. Zero (the baseline) until the start-up choice, so that
// a call before it is still safe.
extern HotCopy chosen;
}  // namespace hotpath

// The exit status of a refused BRUNSK_COPY: the status by which test runners
// (CTest's SKIP_RETURN_CODE) mark a test that cannot run on this machine.
constexpr int kHotCopyUnavailableStatus = 77;

inline HotCopy ChosenHotCopy() { return hotpath::chosen; }
// "baseline", "x86-64-v2", "x86-64-v3", "x86-64-v4"; nullptr outside the copies.
const char* HotCopyName(HotCopy copy);
// The copy of that name, or HotCopy::kCount.
HotCopy HotCopyNamed(const char* name);
// The processor has the instructions of the copy.
bool ProcessorRuns(HotCopy copy);
// The newest copy the processor runs.
HotCopy NewestRunnableCopy();
// Makes copy the one that runs, when the processor runs it (returns false and
// changes nothing otherwise). For the tests, between computations: never
// while a hot function runs on another thread.
bool ForceHotCopy(HotCopy copy);
// The start-up choice: BRUNSK_COPY (the value of the environment variable, or
// nullptr when it is not set) if it names a copy the processor runs, else
// the newest one. Writes why it refuses a value into *refusal (and returns
// HotCopy::kCount).
HotCopy ChooseHotCopy(const char* forced, std::string* refusal);

#define BRUNSK_HOT_BODY __attribute__((always_inline)) inline
#define BRUNSK_HOT_CASE(call, id, name) \
  case HotCopy::id:                     \
    return [&]() __attribute__((target("arch=" name))) { return call; }();
#define BRUNSK_HOT_DISPATCH(call)                                          \
  switch (hotpath::chosen) {                                               \
    BRUNSK_HOT_COPIES(BRUNSK_HOT_CASE, call)                               \
    default:                                                               \
      return [&]() __attribute__((noinline)) { return call; }();           \
  }
