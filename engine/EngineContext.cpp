#include "engine/EngineContext.h"

namespace {
// The one link from the units to the context their module's entry owns.
constinit std::atomic<TEngineContext*> attachedContext{nullptr};
}  // namespace

TEngineContext* EngineContext() noexcept {
  return attachedContext.load(std::memory_order_acquire);
}

void engine_context_detail::Attach(TEngineContext* context) noexcept {
  attachedContext.store(context, std::memory_order_release);
}
