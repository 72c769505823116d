// The run directory: its lock, the interrupts, and tables put in place whole.
#include "shell/run_directory.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "transfer/printed_numbers.h"

namespace {

constexpr size_t table_buffer_bytes = 1 << 16;


// Set by the signal handler; the one state a handler may touch.
std::atomic<bool> interrupted{false};
volatile sig_atomic_t interrupting_signal = 0;

// The temporaries of the run, for a second interrupt to remove before the
// program ends at once: written before they are counted.
constexpr int most_temporaries = 8;
char temporaries[most_temporaries][4096];
volatile sig_atomic_t temporaries_made = 0;

void remember_temporary(const std::string& path) {
  if (temporaries_made >= most_temporaries || path.size() >= sizeof temporaries[0]) return;
  path.copy(temporaries[temporaries_made], path.size());
  temporaries[temporaries_made][path.size()] = '\0';
  temporaries_made = temporaries_made + 1;
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
  raise(signal_number);
  _exit(128 + signal_number);
}

// A name of its own for each table of each run, hidden in the directory.
std::string temporary_name(const char* name) {
  return std::string(".") + name + ".primrec-" + std::to_string(getpid());
}

// A new file of this run's own: never an existing file or a link someone
// placed under the name.
// Fewer, larger writes through `buffer` (table_buffer_bytes, kept until the
// file is closed).
FILE* create_new(const std::string& path, char* buffer) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  FILE* file = fdopen(fd, "w");
  if (file == nullptr) {
    close(fd);
    return nullptr;
  }
  std::setvbuf(file, buffer, _IOFBF, table_buffer_bytes);
  return file;
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

InterruptsHeld::InterruptsHeld() {
  sigset_t held;
  sigemptyset(&held);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal_number);
  sigprocmask(SIG_BLOCK, &held, &previous_);
}

InterruptsHeld::~InterruptsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

void end_by_signal(int signal_number) {
  std::fflush(stdout);
  signal(signal_number, SIG_DFL);
  raise(signal_number);
  _exit(128 + signal_number);
}

// A directory in the table's place can never be replaced by it: that is known
// at the start, and said there.
TableFile::TableFile(const char* name, const char* creation_message)
    : name_(name), creation_message_(creation_message) {
  const std::string temporary = temporary_name(name);
  buffer_ = std::make_unique<char[]>(table_buffer_bytes);
  if (!is_directory(name)) file_ = create_new(temporary, buffer_.get());
  if (file_ == nullptr) {
    std::printf(creation_message, name);
    return;
  }
  temporary_ = temporary;
  remember_temporary(temporary);
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

void TableFile::line(const char* first_field, double second) {
  if (file_ == nullptr) return;
  char text[primrec::table_line_length];
  std::memcpy(text, first_field, primrec::table_field_width);
  *primrec::format_table_field(text + primrec::table_field_width, second) = '\n';
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
