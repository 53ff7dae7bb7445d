// Ctrl-C and SIGTERM during a URL check: while a check runs, the signals
// only set a flag that the check looks at, so that it can stop in order,
// remove its temporary files and keep what it found so far.
#pragma once

#include <csignal>

namespace pubforge {

// Catches SIGINT and SIGTERM for as long as it lives and gives back the
// handlers that were there before.
class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // How many of the two signals arrived since this began.
  int signals() const;

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

}  // namespace pubforge
