// The signals that end a run. Each one that can be caught and would end the
// program (SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXCPU, SIGUSR1, ...) asks the
// run to stop, so that it removes its temporaries and leaves the earlier
// tables as they were; a signal that cannot be caught (SIGKILL) leaves the
// temporaries to the next run in the directory, which removes them.
#pragma once

#include <signal.h>

#include <atomic>
#include <string>

// The first such signal sets `cancel` and is remembered; a second one removes
// the temporaries and ends the program at once. SIGXFSZ is ignored: a table
// beyond the file-size limit is a failed write, reported as one.
class InterruptWatch {
 public:
  InterruptWatch();
  const std::atomic<bool>& cancel() const;
  // The number of the signal received, or 0.
  int signal_received() const;
  // A temporary for a second signal to remove (a name in the working directory).
  static void remember_temporary(const std::string& name);
};

// Holds back the interrupts for its lifetime (they arrive when it ends): the
// tables are put in place all of them or, if it comes first, none.
class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  sigset_t previous_;
};

// Ends the program by the signal, after the output is flushed: a shell sees
// the program interrupted (status 128 + n) and stops a loop around it.
[[noreturn]] void end_by_signal(int signal_number);
