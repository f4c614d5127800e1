// One process-wide observer: the components are created deep inside an
// evaluation, so the observer cannot be handed to them through their
// callers without changing every signature on the way. The depth of the
// runs in hand tells the outermost run from those nested in it.
#include "components/ComponentProgress.h"

#include <atomic>
#include <utility>

namespace {

ComponentProgressObserver& Observer() {
  static ComponentProgressObserver observer;
  return observer;
}

std::atomic<int> gRunDepth{0};

}  // namespace

void SetComponentProgressObserver(ComponentProgressObserver observer) { Observer() = std::move(observer); }

void ComponentRunStarted() { ++gRunDepth; }

void ComponentRunEnded() { --gRunDepth; }

void ReportComponentProgress(char component, double fraction) {
  const ComponentProgressObserver& observer = Observer();
  if (observer && gRunDepth.load() <= 1) observer(component, fraction);
}
