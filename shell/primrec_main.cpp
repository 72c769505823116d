// primrec: the recombination history of the primordial hydrogen-helium plasma.
// Run in a directory holding the five input files (the working directory, or
// the one named); it writes the tables there. Exit status 0 on success, 1 on
// failure, 2 for a command line it does not know, 128 + the signal's number
// when interrupted. --help, --version and --check [DIR] touch no file.
//
// The program is a shell over the library: it takes the directory for itself,
// creates the tables under temporary names, reads the inputs, streams the
// solve's rows into the tables (printing every message where it arises), and
// puts the tables in place only when the run has completed.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "transfer/printed_numbers.h"
#include "primrec/primrec.hpp"
#include "shell/input_check.h"
#include "shell/interrupts.h"
#include "shell/observer_thread.h"
#include "shell/progress.h"
#include "shell/run_directory.h"
#include "shell/terminal.h"

namespace {

// Exit statuses of the program.
constexpr int exit_success = 0;
constexpr int exit_failure = 1;  // an input failed, a step broke down, or a table was not written or put in place
constexpr int exit_usage = 2;          // a command line the program does not know
constexpr int exit_signal_base = 128;  // plus the number of the signal that interrupted the run

const char* const table_creation_message = "error of creation of file %s\n";
const char* const overheat_creation_message = "error of creation of %s\n";

// The seven tables, in the order they are created, and the overheating table
// of the first pass, created once the inputs have passed. Their messages are
// printed where they arise.
struct Tables {
  explicit Tables(int directory) : directory_(directory) { remember_and_say(all, 7); }

  std::string messages;
  int directory_;
  TableFile HydI{directory_, "HydI.dat", table_creation_message, messages},
      HydII{directory_, "HydII.dat", table_creation_message, messages},
      HeI{directory_, "HeI.dat", table_creation_message, messages},
      HeII{directory_, "HeII.dat", table_creation_message, messages},
      HeIII{directory_, "HeIII.dat", table_creation_message, messages},
      el{directory_, "el.dat", table_creation_message, messages},
      T_matter{directory_, "T_matter.dat", table_creation_message, messages};
  std::unique_ptr<TableFile> overheat;

  TableFile* all[7] = {&HydI, &HydII, &HeI, &HeII, &HeIII, &el, &T_matter};

  void create_overheat() {
    overheat = std::make_unique<TableFile>(directory_, "Hyd_Rad_Overheat.dat", overheat_creation_message, messages);
    TableFile* created[1] = {overheat.get()};
    remember_and_say(created, 1);
  }

  // Closes every table; false when one of them took a write error.
  bool close() {
    bool written = true;
    for (TableFile* t : all) written = t->close() && written;
    if (overheat != nullptr) written = overheat->close() && written;
    say();
    return written;
  }
  // Puts every table that exists in place; false when one could not be
  // created or put in place.
  bool publish() {
    bool complete = true;
    for (TableFile* t : all) complete = t->publish() && complete;
    if (overheat != nullptr) complete = overheat->publish() && complete;
    say();
    return complete;
  }

 private:
  // The temporaries made, for a second interrupt to remove at once.
  void remember_and_say(TableFile* const* files, int count) {
    for (int i = 0; i < count; ++i)
      if (files[i]->created()) InterruptWatch::remember_temporary(files[i]->temporary());
    say();
  }
  void say() {
    std::fputs(messages.c_str(), stdout);
    messages.clear();
  }
};

// Streams a solve into the tables and its messages to standard output.
class TableWriter : public primrec::Observer {
 public:
  explicit TableWriter(Tables& tables) : t_(tables) {}
  void row(const primrec::Row& r) override {
    char z[primrec::table_field_width];  // the same in every table: formatted once
    primrec::format_table_field(z, r.z);
    t_.el.line(z, r.el);
    t_.HydI.line(z, r.HydI);
    t_.HydII.line(z, r.HydII);
    t_.HeI.line(z, r.HeI);
    t_.HeII.line(z, r.HeII);
    t_.HeIII.line(z, r.HeIII);
    t_.T_matter.line(z, r.T_m);
  }
  void overheating_row(const primrec::OverheatingRow& r) override { t_.overheat->line(r.z, r.ln_overheating); }
  void message(const std::string& text) override {
    progress_.clear();
    std::fputs(text.c_str(), stdout);
  }
  // The tables are closed together once the solve has ended, so that a
  // message of a failed write comes after the solve's, in one order.
  void progress(const primrec::Progress& p) override { progress_.update(p); }
  void end_progress() { progress_.clear(); }

 private:
  Tables& t_;
  ProgressLine progress_;
};

void report_work(const primrec::Work& work) {
#ifdef PRIMREC_BENCH_COUNTERS
  std::fprintf(stderr, "primrec work: steps=%lld inner_iterations=%lld\n", work.steps, work.inner_iterations);
#else
  (void)work;
#endif
}

// Reads the inputs and solves into the tables; true when the history is
// complete. A failed input, a step whose result is not a finite number or out
// of its physical range, or an interrupt is a failure.
// How the program was asked to solve, and the command that checks its inputs.
struct Modes {
  bool fast = false;
  bool precise = false;
  std::string check = check_command(nullptr);
};

bool solve_into(Tables& tables, const InterruptWatch& interrupts, const Modes& modes) {
  const primrec::Reading reading = primrec::read_parameters("");
  std::fputs(reading.messages.c_str(), stdout);
  std::fputs(reading.error.c_str(), stdout);
  if (!reading.ok()) {
    end_line_on_terminal(reading.error);
    std::fflush(stdout);
    explain_input_error(reading.error);
    point_to_check(reading.error, modes.check);
  }
  if (!reading.ok() || interrupts.signal_received() != 0) return false;
  warn_of_implausible_values(reading.parameters);
  tables.create_overheat();
  TableWriter writer(tables);
  primrec::Options options;
  options.threads = 2;  // the feedback pass beside the first: a run takes little more than one pass
  options.cancel = &interrupts.cancel();
  options.fast = modes.fast;
  options.precise = modes.precise;
  primrec::Solution solution;
  {
    ObserverThread text(writer);
    solution = primrec::solve(reading.parameters, text, options);
  }
  writer.end_progress();
  std::fputs(solution.error.c_str(), stdout);
  if (solution.status == primrec::Status::breakdown) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s lists the inputs as read, each with its file line, and warns of likely mistakes\n",
                 modes.check.c_str());
  }
  report_work(solution.work);
  return solution.ok();
}

// A run publishes its tables only when it completed and every table was
// written in full: a failed or interrupted run leaves the directory's earlier
// tables as they were. A table that could not be created or put in place is
// reported, and the others are published.
int run_primrec(const Modes& modes) {
  const DirectoryLock lock(".");
  if (lock.state() != DirectoryLock::State::held) {
    std::fputs(lock.state() == DirectoryLock::State::in_use ? lock_in_use_message : lock_impossible_message, stdout);
    return exit_failure;
  }
  lock.remove_left_temporaries();
  const InterruptWatch interrupts;
  Tables tables(lock.descriptor());
  const bool solved = solve_into(tables, interrupts, modes);
  const bool written = tables.close();
  if (interrupts.signal_received() != 0) return exit_signal_base + interrupts.signal_received();
  if (!solved || !written) return exit_failure;
  bool published;
  {
    const InterruptsHeld held;
    published = tables.publish();
  }
  // A signal held back while the tables were put in place ends the run by it
  // now: they are whole.
  if (interrupts.signal_received() != 0) return exit_signal_base + interrupts.signal_received();
  return published ? exit_success : exit_failure;
}

const char* const usage =
    "usage: primrec [DIR]          run in DIR (the working directory without it)\n"
    "       primrec --fast [DIR]   the same in the fast mode: steps chosen by their error\n"
    "                              (about 1e-4 in x_e and T_m), the rows as the inputs ask\n"
    "       primrec --precise [DIR] x_e and T_m corrected to a multi-level atom code\n"
    "                              (within the box of cosmologies it was fitted on;\n"
    "                              with --fast or without)\n"
    "       primrec --check [DIR]  read and check the inputs of DIR, print every value, do not run\n"
    "       primrec -h | --help | --version\n"
    "\n"
    "DIR holds the five input files redshifts.in, fine_effects.in, fund.in,\n"
    "fudge_factors.in and cosm_p.in. A run writes the tables HydI.dat, HydII.dat,\n"
    "HeI.dat, HeII.dat, HeIII.dat, el.dat, T_matter.dat and Hyd_Rad_Overheat.dat\n"
    "there, all of them when it completes, none when it fails.\n"
    "\n"
    "Exit status: 0 the run completed; 1 an input was refused, the physics broke\n"
    "down, a table could not be written or put in place, or another run uses DIR;\n"
    "2 an unknown command line; 128 + n interrupted by signal n.\n"
    "\n"
    "The inputs, the tables and every message are described in README.md, in the\n"
    "source tree and in the documentation directory of an installed primrec.\n";

// Runs in `directory`; a directory that cannot be entered is a failure.
bool enter(const char* directory) {
  if (chdir(directory) == 0) return true;
  std::printf("cannot enter the directory %s\n", directory);
  std::fflush(stdout);
  explain_directory_error(directory);
  return false;
}

// Standard input, output and error closed by the caller are opened on
// /dev/null before anything else is opened: else the first files opened would
// take their numbers, and messages meant for standard output would go into a
// table.
void open_closed_standard_streams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF && open("/dev/null", O_RDWR) != fd) _exit(exit_failure);
}

// Output that could not be written (a full disk, a closed pipe) fails the
// program, whatever it did besides.
int with_output_written(int status) {
  const bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  return lost && status == exit_success ? exit_failure : status;
}

// A command line the program does not know: which word, then the usage, on
// standard error.
int refuse_command_line(const char* word) {
  bool known = false;
  for (const char* option : {"--fast", "--precise", "--check", "--help", "-h", "--version"})
    known = known || std::strcmp(word, option) == 0;
  std::fprintf(stderr, "%s %s\n", word[0] == '-' && !known ? "unknown option" : "unexpected argument", word);
  std::fputs(usage, stderr);
  return exit_usage;
}

int run(int argc, char** argv) {
  const char* first = argc > 1 ? argv[1] : nullptr;
  if (argc == 2 && (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0)) {
    std::fputs(usage, stdout);
    return exit_success;
  }
  if (argc == 2 && std::strcmp(first, "--version") == 0) {
    std::printf("primrec %s\n", PRIMREC_VERSION);
    return exit_success;
  }
  if (first != nullptr && std::strcmp(first, "--check") == 0 && argc <= 3) {
    if (argc == 3 && !enter(argv[2])) return exit_failure;
    return check_inputs();
  }
  Modes modes;
  const char* directory = nullptr;
  for (int i = 1; i < argc; ++i) {
    bool* mode = std::strcmp(argv[i], "--fast") == 0 ? &modes.fast
                 : std::strcmp(argv[i], "--precise") == 0 ? &modes.precise : nullptr;
    if (mode != nullptr && !*mode && directory == nullptr) {
      *mode = true;
    } else if (mode == nullptr && argv[i][0] != '-' && directory == nullptr) {
      directory = argv[i];
    } else {
      return refuse_command_line(argv[i]);
    }
  }
  if (directory != nullptr && !enter(directory)) return exit_failure;
  modes.check = check_command(directory);
  const int status = run_primrec(modes);
  if (status > exit_signal_base) end_by_signal(status - exit_signal_base);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  open_closed_standard_streams();
  return with_output_written(run(argc, argv));
}
