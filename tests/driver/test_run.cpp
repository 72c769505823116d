// Whole runs of the program binary: the reader order, messages, exit statuses
// and the tables it leaves: all of them, put in place when the run completes,
// or none, with the earlier tables as they were.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support.h"

using testing_support::copy_default_inputs;
using testing_support::directory_entries;
using testing_support::file_exists;
using testing_support::read_file;
using testing_support::run_primrec_in;
using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

const char* const tables[] = {"HydI.dat", "HydII.dat", "HeI.dat", "HeII.dat", "HeIII.dat", "el.dat", "T_matter.dat"};
const char* const inputs_in_reading_order[] = {"redshifts.in", "fine_effects.in", "fund.in",
                                               "fudge_factors.in", "cosm_p.in"};

// A failed run publishes nothing and leaves no temporary behind: the
// directory holds what it held before.
void expect_untouched(const ScratchDir& dir, const std::vector<std::string>& before) {
  EXPECT_EQ(directory_entries(dir.path()), before);
}

TEST(Run, WithoutInputsItNamesTheFirstFileAndLeavesNoTable) {
  ScratchDir dir;
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.output, "error of opening file redshifts.in\n");
  EXPECT_EQ(result.exit_status, 1);
  expect_untouched(dir, {});
}

TEST(Run, ReadsTheFilesInTheirFixedOrderAndStopsAtTheFirstMissing) {
  ScratchDir defaults;
  copy_default_inputs(defaults.path());
  for (int present = 0; present < 5; ++present) {
    ScratchDir dir;
    for (int i = 0; i < present; ++i)
      write_file(dir.file(inputs_in_reading_order[i]), read_file(defaults.file(inputs_in_reading_order[i])));
    const auto before = directory_entries(dir.path());
    const auto result = run_primrec_in(dir.path());
    EXPECT_EQ(result.output, std::string("error of opening file ") + inputs_in_reading_order[present] + "\n");
    EXPECT_EQ(result.exit_status, 1);
    expect_untouched(dir, before);
  }
}

TEST(Run, OfSeveralFaultyFilesOnlyTheFirstIsReported) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  write_file(dir.file("fund.in"), "G = 0\n");
  write_file(dir.file("cosm_p.in"), "H0 = -1\n");
  write_file(dir.file("fudge_factors.in"), "F_H = 0\n");
  const auto result = run_primrec_in(dir.path());
  const std::string lost = "file reading message: stop_signal '='is lost\n";
  EXPECT_EQ(result.output, lost + lost + lost + lost + lost + lost +
                               "G, h, c, m_e, m_p, e, kB values have to be positive and double");
  EXPECT_EQ(result.exit_status, 1);
}

TEST(Run, DefaultInputsCompleteWithStatusZero) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.exit_status, 0) << result.output;
  for (const char* table : tables) EXPECT_TRUE(file_exists(dir.file(table))) << table;
}

TEST(Run, ATableThatCannotBeCreatedIsReportedFirstAndTheOthersArePublished) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  ASSERT_EQ(std::system(("mkdir '" + dir.file("HeI.dat") + "'").c_str()), 0);
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.output.rfind("error of creation of file HeI.dat\n", 0), 0u) << result.output;
  EXPECT_EQ(result.exit_status, 1) << "the run completes without it, and says so";
  for (const char* table : {"HydI.dat", "HydII.dat", "HeII.dat", "HeIII.dat", "el.dat", "T_matter.dat"})
    EXPECT_FALSE(read_file(dir.file(table)).empty()) << table;
}

TEST(Run, CreationMessagesComeBeforeInputMessages) {
  ScratchDir dir;
  ASSERT_EQ(std::system(("mkdir '" + dir.file("el.dat") + "' '" + dir.file("HydI.dat") + "'").c_str()), 0);
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.output,
            "error of creation of file HydI.dat\n"
            "error of creation of file el.dat\n"
            "error of opening file redshifts.in\n");
  EXPECT_EQ(result.exit_status, 1) << "for the missing input";
}

}  // namespace

namespace {

testing_support::Inputs short_single_pass() {
  testing_support::Inputs inputs;
  inputs.levels = "1";
  inputs.z_begin = "3000";
  inputs.z_end = "1000";
  inputs.step = "1e-2";
  return inputs;
}

// A run that fails for any reason (a write error, a refused input, a broken
// step, an interrupt) leaves the tables of the run before it byte for byte.
class EarlierTables : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::write_inputs(dir.path(), short_single_pass());
    ASSERT_EQ(run_primrec_in(dir.path()).exit_status, 0);
    before = directory_entries(dir.path());
    for (const std::string& name : before) contents.push_back(read_file(dir.file(name)));
  }
  void expect_as_before() {
    ASSERT_EQ(directory_entries(dir.path()), before);
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(read_file(dir.file(before[i])), contents[i]) << before[i];
  }
  ScratchDir dir;
  std::vector<std::string> before, contents;
};

TEST_F(EarlierTables, AFailedRunLeavesThem) {
  write_file(dir.file("fund.in"), "G = 0\n");
  EXPECT_EQ(run_primrec_in(dir.path()).exit_status, 1);
  write_file(dir.file("fund.in"), read_file(std::string(PRIMREC_EXAMPLES) + "/default/fund.in"));
  testing_support::Inputs broken = short_single_pass();
  broken.z_end = "1";
  broken.omega_lambda = "4";  // no expansion rate below z ~ 9.4
  testing_support::write_inputs(dir.path(), broken);
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.output.rfind("non-finite result at z = ", 0), 0u) << result.output;
  EXPECT_EQ(result.exit_status, 1);
  testing_support::write_inputs(dir.path(), short_single_pass());
  expect_as_before();
}

// Writes beyond the file size limit fail as on a full disk.
TEST_F(EarlierTables, AWriteErrorIsReportedAndPublishesNothing) {
  const auto result = testing_support::run_command("cd '" + dir.path() +
                                                   "' && trap '' XFSZ && ulimit -f 2 && exec '" PRIMREC_EXE "'");
  EXPECT_EQ(result.exit_status, 1);
  for (const char* table : tables)
    EXPECT_NE(result.output.find(std::string("error of writing file ") + table + "\n"), std::string::npos)
        << table << ": " << result.output;
  expect_as_before();
}

TEST_F(EarlierTables, AnInterruptedRunLeavesThemAndNoTemporary) {
  testing_support::Inputs slow = short_single_pass();
  slow.step = "1e-7";  // far longer than the test waits
  testing_support::write_inputs(dir.path(), slow);
  // SIGINT, SIGTERM, and two SIGINTs at once (the second ends the run there).
  for (const auto& signals : std::vector<std::vector<int>>{{SIGINT}, {SIGTERM}, {SIGINT, SIGINT}}) {
    auto run = std::async(std::launch::async, [&] { return run_primrec_in(dir.path(), 120); });
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    std::string kill = "true";
    for (int signal_number : signals) kill += " && kill -" + std::to_string(signal_number) + " $pid";
    // The run in this directory only: other tests may run the program meanwhile.
    const std::string run_here = "pid=$(for p in $(pgrep -f '^" PRIMREC_EXE "$'); do [ \"$(readlink /proc/$p/cwd)\" = "
                                 "\"$(readlink -f '" + dir.path() + "')\" ] && echo $p; done); [ -n \"$pid\" ]";
    ASSERT_EQ(std::system((run_here + " && " + kill).c_str()), 0);
    EXPECT_EQ(run.get().exit_status, 128 + signals.front());
  }
  testing_support::write_inputs(dir.path(), short_single_pass());
  expect_as_before();
}

// A second run in a directory that a run is using touches nothing.
TEST_F(EarlierTables, ASecondRunInTheDirectoryTouchesNothing) {
  const int held = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  const auto result = run_primrec_in(dir.path());
  close(held);
  EXPECT_EQ(result.output, "another run is using this directory\n");
  EXPECT_EQ(result.exit_status, 1);
  expect_as_before();
}

// A table that is a link is replaced by the table, not written through.
TEST(Run, ALinkAsATableIsReplacedAndItsTargetKept) {
  ScratchDir dir, elsewhere;
  testing_support::write_inputs(dir.path(), short_single_pass());
  write_file(elsewhere.file("precious"), "keep me\n");
  ASSERT_EQ(symlink(elsewhere.file("precious").c_str(), dir.file("el.dat").c_str()), 0);
  ASSERT_EQ(run_primrec_in(dir.path()).exit_status, 0);
  EXPECT_EQ(read_file(elsewhere.file("precious")), "keep me\n");
  EXPECT_EQ(read_file(dir.file("el.dat")).substr(0, 1), "2");  // the first row, z ~ 2970
}

// The feedback pass takes the overheating rows of the first pass from memory:
// without the file it gives the same tables.
TEST(Run, AnOverheatingTableThatCannotBeCreatedIsReportedAndTheFeedbackStays) {
  testing_support::Inputs two_pass = short_single_pass();
  two_pass.levels = "2";
  ScratchDir reference, blocked;
  testing_support::write_inputs(reference.path(), two_pass);
  testing_support::write_inputs(blocked.path(), two_pass);
  ASSERT_EQ(run_primrec_in(reference.path()).exit_status, 0);
  ASSERT_EQ(std::system(("mkdir '" + blocked.file("Hyd_Rad_Overheat.dat") + "'").c_str()), 0);
  const auto result = run_primrec_in(blocked.path());
  EXPECT_EQ(result.output, "error of creation of Hyd_Rad_Overheat.dat\n");
  EXPECT_EQ(result.exit_status, 1);
  for (const char* table : tables) EXPECT_EQ(read_file(blocked.file(table)), read_file(reference.file(table))) << table;
}

}  // namespace

namespace {

// The program started in `dir` (standard output to /dev/null, standard input
// closed when asked), without waiting for it.
pid_t start_in(const std::string& dir) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0 || chdir(dir.c_str()) != 0)
      _exit(127);
    execl(PRIMREC_EXE, PRIMREC_EXE, static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// The exit status, 128 + n for a run ended by signal n.
int status_of(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> temporaries_in(const std::string& dir) {
  std::vector<std::string> found;
  for (const std::string& name : directory_entries(dir))
    if (name.find(".primrec-") != std::string::npos) found.push_back(name);
  return found;
}

// Waits (at most 10 s) until the run has made its temporaries: it is then at work.
bool wait_for_temporaries(const std::string& dir, size_t count) {
  for (int i = 0; i < 1000; ++i) {
    if (temporaries_in(dir).size() >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// A run that goes on far longer than a test waits.
testing_support::Inputs endless_run() {
  testing_support::Inputs slow = short_single_pass();
  slow.step = "1e-7";
  return slow;
}

// SIGKILL cannot be caught: the run leaves its temporaries. The next run in
// the directory holds its lock, so no run that made them is still at work:
// it removes them, and leaves no trace of either run but its tables.
TEST_F(EarlierTables, TheTemporariesOfAKilledRunAreRemovedByTheNext) {
  testing_support::write_inputs(dir.path(), endless_run());
  const pid_t run = start_in(dir.path());
  ASSERT_TRUE(wait_for_temporaries(dir.path(), 8));
  kill(run, SIGKILL);
  ASSERT_EQ(status_of(run), 128 + SIGKILL);
  EXPECT_EQ(temporaries_in(dir.path()).size(), 8u);  // the fault this guards against, shown
  testing_support::write_inputs(dir.path(), short_single_pass());
  ASSERT_EQ(run_primrec_in(dir.path()).exit_status, 0);
  expect_as_before();
}

// Every signal that ends a program and can be caught stops the run as SIGINT
// does: no temporary left, the earlier tables kept, ended by that signal.
// SIGPIPE comes from writing a message into a pipe whose reader is gone.
TEST_F(EarlierTables, EveryCatchableEndingSignalCleansUp) {
  testing_support::write_inputs(dir.path(), endless_run());
  for (int signal_number : {SIGPIPE, SIGXCPU, SIGUSR1, SIGUSR2, SIGALRM, SIGQUIT}) {
    const pid_t run = start_in(dir.path());
    ASSERT_TRUE(wait_for_temporaries(dir.path(), 8)) << signal_number;
    kill(run, signal_number);
    EXPECT_EQ(status_of(run), 128 + signal_number) << signal_number;
    EXPECT_TRUE(temporaries_in(dir.path()).empty()) << signal_number;
  }
  testing_support::Inputs chatty = endless_run();
  chatty.norm = "1e-300";  // no step converges: a message at every step, into the pipe
  testing_support::write_inputs(dir.path(), chatty);
  testing_support::run_command("cd '" + dir.path() + "' && '" PRIMREC_EXE "' | head -c 1 >/dev/null");
  EXPECT_TRUE(temporaries_in(dir.path()).empty());
  testing_support::write_inputs(dir.path(), short_single_pass());
  expect_as_before();
}

// A table beyond the file-size limit is a write like any other that failed:
// its message, exit 1, nothing published and nothing left.
TEST_F(EarlierTables, AFileSizeLimitIsAFailedWrite) {
  const auto result =
      testing_support::run_command("cd '" + dir.path() + "' && ulimit -f 2 && exec '" PRIMREC_EXE "'");
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.output.find("error of writing file el.dat\n"), std::string::npos) << result.output;
  expect_as_before();
}

// In a PID namespace every run has the same pid, so a killed run's
// temporaries bear the names the next run would give its own. Where the
// machine allows no namespace (no unshare, no privilege), skipped.
TEST_F(EarlierTables, AKilledRunInAPidNamespaceDoesNotBlockTheNext) {
  if (std::system("unshare --pid --fork true >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "unshare --pid --fork is not allowed here: the PID namespace is not tested";
  // In each namespace sh is pid 1 and the program pid 2.
  const std::string in_namespace = "cd '" + dir.path() + "' && unshare --pid --fork sh -c ";
  testing_support::write_inputs(dir.path(), endless_run());
  ASSERT_EQ(std::system((in_namespace + "'\"" PRIMREC_EXE "\" >/dev/null & "
                                        "until [ $(ls -A | grep -c primrec-) -ge 8 ]; do sleep 0.01; done; "
                                        "kill -9 $!; wait; true'").c_str()),
            0);
  EXPECT_EQ(temporaries_in(dir.path()).size(), 8u);
  // A name that cannot be removed where the next run's el.dat temporary would be.
  ASSERT_EQ(unlink(dir.file(".el.dat.primrec-2").c_str()), 0);
  ASSERT_EQ(mkdir(dir.file(".el.dat.primrec-2").c_str(), 0700), 0);
  testing_support::write_inputs(dir.path(), short_single_pass());
  const auto result = testing_support::run_command(in_namespace + "':; \"" PRIMREC_EXE "\" & wait $!'");
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(temporaries_in(dir.path()), std::vector<std::string>{".el.dat.primrec-2"});
  ASSERT_EQ(rmdir(dir.file(".el.dat.primrec-2").c_str()), 0);
  expect_as_before();
}

// Closed standard streams are opened on /dev/null: the messages of a run
// never take the place of a table, and the tables hold table lines alone.
TEST(Run, ClosedStandardStreamsPutNoMessageIntoATable) {
  ScratchDir dir, open;
  testing_support::Inputs chatty = short_single_pass();
  chatty.norm = "1e-300";  // steps that do not converge, each with its message:
  chatty.z_end = "1";      // more of them than standard output holds back
  chatty.step = "1e-3";
  testing_support::write_inputs(dir.path(), chatty);
  testing_support::write_inputs(open.path(), chatty);
  ASSERT_NE(run_primrec_in(open.path()).output, "");
  const auto result = testing_support::run_command("cd '" + dir.path() + "' && '" PRIMREC_EXE "' <&- >&- 2>&-");
  EXPECT_EQ(result.exit_status, 0);
  for (const char* table : tables) {
    const auto lines = testing_support::read_lines(dir.file(table));
    EXPECT_FALSE(lines.empty()) << table;
    for (const std::string& line : lines) EXPECT_EQ(line.size(), 40u) << table << ": " << line;
  }
}

// A directory whose lock cannot be taken (not readable: mode 0333) cannot keep
// a second run out: the run refuses it and touches nothing. Root reads any
// directory: it runs the program as the user nobody.
TEST(Run, ADirectoryThatCannotBeLockedIsRefused) {
  ScratchDir dir;
  testing_support::write_inputs(dir.path(), short_single_pass());
  std::string as_user;
  if (geteuid() == 0) {
    if (std::system("setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null") != 0)
      GTEST_SKIP() << "no setpriv to run as another user";
    as_user = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    ASSERT_EQ(std::system(("chmod 0666 '" + dir.path() + "'/*.in").c_str()), 0);
  }
  const auto before = directory_entries(dir.path());
  ASSERT_EQ(chmod(dir.path().c_str(), 0333), 0);
  const auto result = testing_support::run_command("cd '" + dir.path() + "' && " + as_user + "'" PRIMREC_EXE "'");
  ASSERT_EQ(chmod(dir.path().c_str(), 0700), 0);
  EXPECT_EQ(result.output, "cannot lock this directory\n");
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(directory_entries(dir.path()), before);
}

}  // namespace
