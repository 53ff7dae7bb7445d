#include "urlcheck/interrupt.h"

#include <atomic>
#include <csignal>

namespace pubforge {

namespace {

// The one piece of process-wide state of the check: a signal handler can
// reach nothing else.
std::atomic<int> signalCount{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onSignal(int) { signalCount.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

InterruptCatcher::InterruptCatcher() {
  signalCount.store(0);
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousInt_);
  sigaction(SIGTERM, &action, &previousTerm_);
}

InterruptCatcher::~InterruptCatcher() {
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
}

int InterruptCatcher::signals() const { return signalCount.load(std::memory_order_relaxed); }

}  // namespace pubforge
