// The run directory: its lock, the interrupts, and tables put in place whole.
#include "shell/run_directory.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "input/table_format.h"

namespace {

// Set by the signal handler; the one state a handler may touch.
std::atomic<bool> interrupted{false};
volatile sig_atomic_t interrupting_signal = 0;

extern "C" void on_interrupt(int signal_number) {
  if (interrupting_signal == 0) interrupting_signal = signal_number;
  interrupted.store(true);
  signal(signal_number, SIG_DFL);  // a second one ends the program at once
}

// A name of its own for each table of each run, hidden in the directory.
std::string temporary_name(const char* name) {
  return std::string(".") + name + ".primrec-" + std::to_string(getpid());
}

bool is_directory(const char* name) {
  struct stat status;
  return lstat(name, &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

// A directory that cannot be opened or locked (a file system without locks)
// is used without the lock, as a run always could.
DirectoryLock::DirectoryLock() : fd_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) acquired_ = false;
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) close(fd_);
}

InterruptWatch::InterruptWatch() {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) signal(signal_number, on_interrupt);
}

const std::atomic<bool>& InterruptWatch::cancel() const { return interrupted; }

int InterruptWatch::signal_received() const { return interrupting_signal; }

// A directory in the table's place can never be replaced by it: that is known
// at the start, and said there.
TableFile::TableFile(const char* name, const char* creation_message)
    : name_(name), creation_message_(creation_message) {
  const std::string temporary = temporary_name(name);
  if (!is_directory(name)) file_ = std::fopen(temporary.c_str(), "w");
  if (file_ == nullptr) {
    std::printf(creation_message, name);
    return;
  }
  temporary_ = temporary;
}

TableFile::~TableFile() {
  if (file_ != nullptr) std::fclose(file_);
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

void TableFile::line(double first, double second) {
  if (file_ == nullptr) return;
  char text[primrec::table_line_length];
  primrec::format_table_line(text, first, second);
  std::fwrite(text, 1, sizeof text, file_);
}

bool TableFile::close() {
  if (file_ == nullptr) return !write_failed_;
  const bool failed = std::ferror(file_) != 0;
  if (std::fclose(file_) != 0 || failed) {
    std::printf("error of writing file %s\n", name_);
    write_failed_ = true;
  }
  file_ = nullptr;
  return !write_failed_;
}

bool TableFile::publish() {
  if (temporary_.empty()) return false;
  if (std::rename(temporary_.c_str(), name_) != 0) {
    std::printf(creation_message_, name_);
    return false;
  }
  temporary_.clear();
  return true;
}
