// Times one history of the default parameters in-process (primrec::solve,
// kept in memory; with the feedback pass beside the first on a second thread,
// and on one thread) against the whole program on the same inputs (a process
// that reads the files and writes the tables), and the same of the fast mode,
// alternating them.
//
//   build/release/primrec-solve-timer [repetitions [levels]]
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "primrec/primrec.hpp"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void copy_file(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary);
  out << in.rdbuf();
}

double time_program(const std::string& dir, bool fast) {
  const Clock::time_point start = Clock::now();
  pid_t pid;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", 1, 0);
  const std::string program = PRIMREC_EXE;
  char fast_option[] = "--fast";
  char* argv[] = {const_cast<char*>(program.c_str()), fast ? fast_option : nullptr, nullptr};
  if (chdir(dir.c_str()) != 0 || posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ) != 0) std::exit(1);
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
  return milliseconds_since(start);
}

double time_solve(const primrec::Parameters& p, int threads, bool fast = false) {
  primrec::Options options;
  options.threads = threads;
  options.fast = fast;
  const Clock::time_point start = Clock::now();
  const primrec::Solution s = primrec::solve(p, options);
  if (!s.ok()) std::exit(1);
  return milliseconds_since(start);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  primrec::Parameters p = primrec::default_parameters();
  if (argc > 2) p.feedback_levels = std::atoi(argv[2]);
  char dir[] = "/tmp/primrec-solve-timer-XXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  for (const char* name : {"redshifts.in", "fund.in", "fudge_factors.in", "cosm_p.in"})
    copy_file(std::string(PRIMREC_EXAMPLES) + "/default/" + name, std::string(dir) + "/" + name);
  std::ofstream(std::string(dir) + "/fine_effects.in")
      << "Number of levels for resonant feedback = " << p.feedback_levels << "\n";
  std::vector<double> program, two_threads, one_thread, fast_program, fast;
  for (int i = 0; i < repetitions; ++i) {
    program.push_back(time_program(dir, false));
    two_threads.push_back(time_solve(p, 2));
    one_thread.push_back(time_solve(p, 1));
    fast_program.push_back(time_program(dir, true));
    fast.push_back(time_solve(p, 2, true));
  }
  std::printf("default parameters, %d levels, median of %d: whole program %.1f ms, in-process solve %.1f ms "
              "(%.1f ms on one thread)\n",
              p.feedback_levels, repetitions, median(program), median(two_threads),
              median(one_thread));
  std::printf("fast mode, %d levels: whole program %.1f ms, in-process solve %.1f ms\n",
              p.feedback_levels, median(fast_program), median(fast));
  std::printf("medians: program=%.3f threads2=%.3f threads1=%.3f\n", median(program), median(two_threads),
              median(one_thread));
  const std::string cleanup = std::string("rm -rf '") + dir + "'";
  return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
