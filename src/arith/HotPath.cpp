#include "arith/HotPath.h"

// The choice is made by a dynamic initializer, before main and before any
// thread starts; it asks the processor through the compiler's feature
// builtins, which read the processor's identification once (libgcc), the
// same on every operating system.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/Messages.h"

namespace {

#define BRUNSK_HOT_NAME(arg, id, name) name,
const char* const kNames[] = {"baseline", BRUNSK_HOT_COPIES(BRUNSK_HOT_NAME, ~)};
#undef BRUNSK_HOT_NAME
static_assert(sizeof kNames / sizeof kNames[0] == static_cast<int>(HotCopy::kCount), "one name per copy");

// The names of every copy, for the refusal of an unknown one.
std::string AllNames() {
  std::string all;
  for (const char* name : kNames) all += (all.empty() ? "" : ", ") + std::string(name);
  return all;
}

HotCopy StartUpChoice() {
  std::string refusal;
  const HotCopy copy = ChooseHotCopy(std::getenv("BRUNSK_COPY"), &refusal);
  if (copy == HotCopy::kCount) {
    std::fputs(refusal.c_str(), stderr);
    std::exit(kHotCopyUnavailableStatus);
  }
  return copy;
}

}  // namespace

HotCopy hotpath::chosen = StartUpChoice();

const char* HotCopyName(HotCopy copy) {
  const int i = static_cast<int>(copy);
  return i >= 0 && i < static_cast<int>(HotCopy::kCount) ? kNames[i] : nullptr;
}

HotCopy HotCopyNamed(const char* name) {
  for (int i = 0; i < static_cast<int>(HotCopy::kCount); ++i)
    if (std::strcmp(name, kNames[i]) == 0) return static_cast<HotCopy>(i);
  return HotCopy::kCount;
}

bool ProcessorRuns(HotCopy copy) {
#if BRUNSK_HOT_X86_COPIES
  __builtin_cpu_init();  // a no-op once libgcc has run it; needed before that
#endif
  switch (copy) {
    case HotCopy::kBaseline:
      return true;
#define BRUNSK_HOT_SUPPORTS(arg, id, name) \
  case HotCopy::id:                        \
    return __builtin_cpu_supports(name) != 0;
      BRUNSK_HOT_COPIES(BRUNSK_HOT_SUPPORTS, ~)
#undef BRUNSK_HOT_SUPPORTS
    case HotCopy::kCount:
      break;
  }
  return false;
}

HotCopy NewestRunnableCopy() {
  int i = static_cast<int>(HotCopy::kCount) - 1;
  while (i > 0 && !ProcessorRuns(static_cast<HotCopy>(i))) --i;
  return static_cast<HotCopy>(i);
}

bool ForceHotCopy(HotCopy copy) {
  if (!ProcessorRuns(copy)) return false;
  hotpath::chosen = copy;
  return true;
}

HotCopy ChooseHotCopy(const char* forced, std::string* refusal) {
  if (forced == nullptr || *forced == '\0') return NewestRunnableCopy();
  const HotCopy copy = HotCopyNamed(forced);
  if (copy == HotCopy::kCount) {
    *refusal = msg::UnknownHotCopy(forced, AllNames());
    return HotCopy::kCount;
  }
  if (!ProcessorRuns(copy)) {
    *refusal = msg::HotCopyNotRunnable(forced);
    return HotCopy::kCount;
  }
  return copy;
}
