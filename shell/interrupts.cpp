// The interrupts of a run: stop at the next step, clean up, end by the signal.
#include "shell/interrupts.h"

#include <unistd.h>

#include <cstdio>
#include <initializer_list>

namespace {

// Set by the signal handler; the one state a handler may touch.
std::atomic<bool> interrupted{false};
volatile sig_atomic_t interrupting_signal = 0;

// The temporaries of the run, for a second interrupt to remove before the
// program ends at once: written before they are counted.
constexpr int most_temporaries = 8;
char temporaries[most_temporaries][4096];
volatile sig_atomic_t temporaries_made = 0;

// Every signal whose default is to end the program and that a program may
// catch, but those of a fault of the program itself (SIGSEGV, SIGFPE, ...),
// after which it cannot go on to its next step. SIGXFSZ is not among them: it
// is ignored, so that a write beyond the file-size limit fails as on a full
// disk.
sigset_t ending_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXCPU, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF,
                SIGPOLL, SIGPWR, SIGSTKFLT})
    sigaddset(&set, s);
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) sigaddset(&set, s);
  return set;
}

// The first interrupt asks the run to stop at its next step; a second one
// (the run did not stop soon enough for the user) removes the temporaries and
// ends the program by the signal.
extern "C" void on_interrupt(int signal_number) {
  if (interrupting_signal == 0) {
    interrupting_signal = signal_number;
    interrupted.store(true);
    return;
  }
  for (int i = 0; i < temporaries_made; ++i) unlink(temporaries[i]);
  signal(signal_number, SIG_DFL);
  // The handler runs with its signal blocked: unblocked, the raised one ends
  // the program at once, by the signal.
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);
}

}  // namespace

InterruptWatch::InterruptWatch() {
  const sigset_t set = ending_signals();
  for (int s = 1; s < NSIG; ++s)
    if (sigismember(&set, s) == 1) signal(s, on_interrupt);
  signal(SIGXFSZ, SIG_IGN);
}

const std::atomic<bool>& InterruptWatch::cancel() const { return interrupted; }

int InterruptWatch::signal_received() const { return interrupting_signal; }

void InterruptWatch::remember_temporary(const std::string& name) {
  if (temporaries_made >= most_temporaries || name.size() >= sizeof temporaries[0]) return;
  name.copy(temporaries[temporaries_made], name.size());
  temporaries[temporaries_made][name.size()] = '\0';
  // The handler must never see the count before the name.
  std::atomic_signal_fence(std::memory_order_release);
  temporaries_made = temporaries_made + 1;
}

InterruptsHeld::InterruptsHeld() {
  const sigset_t held = ending_signals();
  sigprocmask(SIG_BLOCK, &held, &previous_);
}

InterruptsHeld::~InterruptsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

void end_by_signal(int signal_number) {
  std::fflush(stdout);
  signal(signal_number, SIG_DFL);
  raise(signal_number);
  _exit(128 + signal_number);
}
