#include "support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/primrec-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  const std::string command = "chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
  if (std::system(command.c_str()) != 0) {
    // left behind in the temporary directory; nothing else to do
  }
}

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

void copy_default_inputs(const std::string& dir) {
  for (const char* name : {"fund.in", "cosm_p.in", "redshifts.in", "fine_effects.in", "fudge_factors.in"})
    write_file(dir + "/" + name, read_file(std::string(PRIMREC_EXAMPLES) + "/default/" + name));
}

RunResult run_primrec_in(const std::string& dir) {
  const std::string command = "cd '" + dir + "' && exec '" PRIMREC_EXE "' </dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("popen failed");
  std::string output;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int status = pclose(pipe);
  const int exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return {exit_status, output};
}

}  // namespace testing_support
