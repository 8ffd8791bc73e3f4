// Calls whose client has gone stop early: long work (decoding, resampling, drawing in bands)
// asks between its steps whether the object it works for has been dropped, and ends the call by
// throwing CallCancelled, which the dispatch answers.
#ifndef PIMBAX_SERVER_CANCELLATION_H
#define PIMBAX_SERVER_CANCELLATION_H

#include <atomic>

namespace pimbax {

struct CallCancelled {};

// While it lives, the calling thread's work belongs to the object whose flag this is.
class CancellationScope {
  public:
    explicit CancellationScope(const std::atomic<bool>& dropped);
    ~CancellationScope();
    CancellationScope(const CancellationScope&) = delete;
    CancellationScope& operator=(const CancellationScope&) = delete;

  private:
    const std::atomic<bool>* previous_;
};

// Throws CallCancelled when the current call's object has been dropped.
void ThrowIfCancelled();

}  // namespace pimbax

#endif
