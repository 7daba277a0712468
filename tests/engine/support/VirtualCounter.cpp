#include "tests/engine/support/VirtualCounter.h"

TCounter::~TCounter() = default;

int TCounter::Value() const {
  return 1;
}

int TCounter::Scaled(int factor) const {
  return factor * Value();
}

int TOtherCounter::Value() const {
  return 2;
}

__attribute__((noipa)) int CallValue(const TCounter& counter) {
  return counter.Value();
}

__attribute__((noipa)) int CallScaled(const TCounter& counter, int factor) {
  return counter.Scaled(factor);
}
