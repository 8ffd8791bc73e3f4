#include "cancellation.h"

namespace pimbax {

namespace {

thread_local const std::atomic<bool>* current = nullptr;

}  // namespace

CancellationScope::CancellationScope(const std::atomic<bool>& dropped) : previous_(current) {
    current = &dropped;
}

CancellationScope::~CancellationScope() {
    current = previous_;
}

void ThrowIfCancelled() {
    if (current != nullptr && current->load(std::memory_order_relaxed)) throw CallCancelled{};
}

}  // namespace pimbax
