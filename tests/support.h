// Helpers shared by the tests: scratch directories, files, and runs of the
// program binary.
#pragma once

#include <string>

namespace testing_support {

// A fresh empty directory under the system's temporary directory; removed with
// everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Makes `dir` the working directory for the lifetime of the object.
class InDirectory {
 public:
  explicit InDirectory(const std::string& dir);
  ~InDirectory();
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  std::string previous_;
};

void write_file(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

// The five default input files of examples/default copied into `dir`.
void copy_default_inputs(const std::string& dir);

struct RunResult {
  int exit_status;     // the program's exit status, or -1 if it did not exit normally
  std::string output;  // everything it wrote on standard output
};

// Runs the primrec binary in `dir` with no arguments.
RunResult run_primrec_in(const std::string& dir);

}  // namespace testing_support
