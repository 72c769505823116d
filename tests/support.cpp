#include "support.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

// mkdtemp's names are unique across processes: tests may run side by side.
ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/primrec-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

namespace {

// Removes `path` and everything under it, giving its owner back the directory
// permissions a test may have taken away. Links are removed, never followed.
// What cannot be removed is left behind in the temporary directory.
void remove_tree(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_directory(fs::symlink_status(path, error))) {
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
    for (fs::directory_iterator entry(path, error), end; !error && entry != end; entry.increment(error))
      remove_tree(entry->path());
  }
  fs::remove(path, error);
}

}  // namespace

ScratchDir::~ScratchDir() { remove_tree(path_); }

InDirectory::InDirectory(const std::string& dir) {
  char buffer[4096];
  if (getcwd(buffer, sizeof buffer) == nullptr) throw std::runtime_error("getcwd failed");
  previous_ = buffer;
  if (chdir(dir.c_str()) != 0) throw std::runtime_error("chdir failed: " + dir);
}

InDirectory::~InDirectory() {
  if (chdir(previous_.c_str()) != 0) std::abort();
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool file_exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::vector<std::string> directory_entries(const std::string& dir) {
  std::vector<std::string> names;
  DIR* stream = opendir(dir.c_str());
  if (stream == nullptr) throw std::runtime_error("cannot list " + dir);
  for (const dirent* entry; (entry = readdir(stream)) != nullptr;) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(stream);
  std::sort(names.begin(), names.end());
  return names;
}

primrec::Constants laboratory_constants() { return primrec::derive_constants(primrec::default_parameters()); }

primrec::Physics laboratory_physics() { return primrec::Physics(laboratory_constants()); }

void copy_default_inputs(const std::string& dir) {
  for (const char* name : {"fund.in", "cosm_p.in", "redshifts.in", "fine_effects.in", "fudge_factors.in"})
    write_file(dir + "/" + name, read_file(std::string(PRIMREC_EXAMPLES) + "/default/" + name));
}

Inputs inputs_for(const std::string& levels, const std::string& z_begin, const std::string& z_end,
                  const std::string& step) {
  Inputs inputs;
  inputs.levels = levels;
  inputs.z_begin = z_begin;
  inputs.z_end = z_end;
  inputs.step = step;
  return inputs;
}

void write_inputs(const std::string& dir, const Inputs& in) {
  write_file(dir + "/redshifts.in", "z_begin = " + in.z_begin + "\nz_end = " + in.z_end + "\nstep = " + in.step +
                                        "\nnorm = " + in.norm + "\nnumber_of_info_points = " + in.stride + "\n");
  write_file(dir + "/fine_effects.in", "levels = " + in.levels + "\n");
  write_file(dir + "/fund.in", "G = " + in.G + "\nh = " + in.h + "\nc = " + in.c + "\nme = " + in.me +
                                   "\nmp = " + in.mp + "\ne = " + in.e + "\nkB = " + in.kB + "\n");
  write_file(dir + "/fudge_factors.in", "F_H = " + in.F_H + "\nA = " + in.A_perturbation_H +
                                            "\nz_p = " + in.z_perturbation + "\nDelta = " +
                                            in.Delta_z_perturbation + "\n");
  write_file(dir + "/cosm_p.in", "H0 = " + in.H0 + "\nomega_m = " + in.omega_m + "\nomega_lambda = " +
                                     in.omega_lambda + "\nnu_number = " + in.nu_number + "\nomega_b = " +
                                     in.omega_b + "\nX_M = " + in.X_M + "\nT0 = " + in.T0 + "\n");
}

std::vector<std::string> read_lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::pair<double, double>> read_table(const std::string& path) {
  std::vector<std::pair<double, double>> rows;
  for (const std::string& line : read_lines(path)) {
    // strtod, unlike a stream, reads "nan" and "inf" back.
    char* rest = nullptr;
    const double first = std::strtod(line.c_str(), &rest);
    const double second = std::strtod(rest, nullptr);
    rows.emplace_back(first, second);
  }
  return rows;
}

namespace {

int exit_status_of(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : (WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1);
}

// Starts the program in `dir`, standard input from /dev/null, standard output
// into a pipe: its pid and the pipe's reading end. The property tests start
// hundreds of runs: the program itself, no shell or timeout before it. Between
// fork and exec only what is safe in a child of a threaded process.
std::pair<pid_t, int> start_primrec_in(const std::string& dir) {
  int out[2];
  // Close-on-exec, so that a run started meanwhile by another thread does not
  // hold this pipe open.
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(out[1], STDOUT_FILENO) < 0 || chdir(dir.c_str()) != 0)
      _exit(127);
    execl(PRIMREC_EXE, PRIMREC_EXE, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  return {pid, out[0]};
}

}  // namespace

RunResult run_primrec_in(const std::string& dir, int time_limit_seconds) {
  const auto [pid, pipe_end] = start_primrec_in(dir);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(time_limit_seconds);
  bool killed = false;
  std::string output;
  for (;;) {
    int wait_ms = -1;
    if (time_limit_seconds > 0 && !killed) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      wait_ms = static_cast<int>(std::max<long long>(left.count(), 0));
    }
    pollfd readable{pipe_end, POLLIN, 0};
    const int ready = poll(&readable, 1, wait_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {  // over the time limit
      kill(pid, SIGKILL);
      killed = true;
      continue;
    }
    char buffer[4096];
    const ssize_t got = read(pipe_end, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    output.append(buffer, static_cast<size_t>(got));
  }
  close(pipe_end);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  return {exit_status_of(status), output};
}

RunResult run_command(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("popen failed");
  std::string output;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  return {exit_status_of(pclose(pipe)), output};
}

primrec::Parameters quick(double z_begin, double z_end, double step, int levels) {
  primrec::Parameters p = primrec::default_parameters();
  p.z_begin = z_begin;
  p.z_end = z_end;
  p.step = step;
  p.feedback_levels = levels;
  return p;
}

}  // namespace testing_support
