// The run directory: its lock, the temporaries, and files put in place whole.
#include "shell/run_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "transfer/printed_numbers.h"

const char* const lock_in_use_message = "another run is using this directory\n";
const char* const lock_impossible_message = "cannot lock this directory\n";

namespace {

constexpr size_t table_buffer_bytes = 1 << 16;

// Every file a run or History.write puts in a directory: only temporaries of
// these are ever removed as left behind.
const char* const run_files[] = {"HydI.dat",     "HydII.dat",        "HeI.dat",   "HeII.dat",
                                 "HeIII.dat",    "el.dat",           "T_matter.dat", "Hyd_Rad_Overheat.dat",
                                 "redshifts.in", "fine_effects.in", "fund.in",   "fudge_factors.in",
                                 "cosm_p.in"};
const char* const temporary_mark = ".primrec-";
// A name still taken (a directory someone made there, say) is passed over
// for the next of these.
constexpr int temporary_name_attempts = 100;

// `.NAME.primrec-<pid>`, or with `-<k>` appended when that name is taken.
std::string temporary_name(const char* name, int attempt) {
  std::string temporary = std::string(".") + name + temporary_mark + std::to_string(getpid());
  return attempt == 0 ? temporary : temporary + "-" + std::to_string(attempt);
}

bool only_digits_and_dashes(const char* text) {
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text)
    if (!(*text == '-' || (*text >= '0' && *text <= '9'))) return false;
  return true;
}

bool is_left_temporary(const char* entry) {
  if (entry[0] != '.') return false;
  for (const char* name : run_files) {
    const size_t length = std::strlen(name);
    if (std::strncmp(entry + 1, name, length) == 0 &&
        std::strncmp(entry + 1 + length, temporary_mark, std::strlen(temporary_mark)) == 0)
      return only_digits_and_dashes(entry + 1 + length + std::strlen(temporary_mark));
  }
  return false;
}

// A new file of this run's own: never an existing file or a link someone
// placed under the name. Fewer, larger writes through `buffer`
// (table_buffer_bytes, kept until the file is closed).
FILE* create_new(int directory, const std::string& path, char* buffer) {
  const int fd = openat(directory, path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  FILE* file = fdopen(fd, "w");
  if (file == nullptr) {
    close(fd);
    return nullptr;
  }
  std::setvbuf(file, buffer, _IOFBF, table_buffer_bytes);
  return file;
}

bool is_directory(int directory, const char* name) {
  struct stat status;
  return fstatat(directory, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

// A directory that cannot be opened for reading (mode 0333) or locked (a file
// system without locks) cannot keep a second run out: refused.
DirectoryLock::DirectoryLock(const std::string& directory)
    : fd_(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (fd_ < 0) {
    state_ = State::impossible;
  } else if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    state_ = errno == EWOULDBLOCK ? State::in_use : State::impossible;
  }
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) close(fd_);
}

// Whoever made a temporary held the lock while it lived: with the lock held
// here, every one left is the remains of a run that was killed (SIGKILL, a
// machine that went down).
void DirectoryLock::remove_left_temporaries() const {
  if (state_ != State::held) return;
  const int listing = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (listing < 0) return;
  DIR* entries = fdopendir(listing);
  if (entries == nullptr) {
    close(listing);
    return;
  }
  while (const dirent* entry = readdir(entries))
    if (is_left_temporary(entry->d_name)) unlinkat(fd_, entry->d_name, 0);
  closedir(entries);
}

// A directory in the file's place can never be replaced by it: that is known
// at the start, and said there.
TableFile::TableFile(int directory, const char* name, const char* creation_message, std::string& messages)
    : directory_(directory), name_(name), creation_message_(creation_message), messages_(messages) {
  buffer_ = std::make_unique<char[]>(table_buffer_bytes);
  if (!is_directory(directory, name)) {
    for (int attempt = 0; file_ == nullptr && attempt < temporary_name_attempts; ++attempt) {
      const std::string temporary = temporary_name(name, attempt);
      file_ = create_new(directory, temporary, buffer_.get());
      if (file_ != nullptr) temporary_ = temporary;
      if (file_ == nullptr && errno != EEXIST) break;
    }
  }
  if (file_ == nullptr) say(creation_message);
}

TableFile::~TableFile() {
  if (file_ != nullptr) std::fclose(file_);
  if (!temporary_.empty()) unlinkat(directory_, temporary_.c_str(), 0);
}

void TableFile::say(const char* format) {
  char text[256];
  std::snprintf(text, sizeof text, format, name_);
  messages_ += text;
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

void TableFile::text(const std::string& text) {
  if (file_ != nullptr) std::fwrite(text.data(), 1, text.size(), file_);
}

bool TableFile::close() {
  if (file_ == nullptr) return !write_failed_;
  const bool failed = std::ferror(file_) != 0;
  if (std::fclose(file_) != 0 || failed) {
    say("error of writing file %s\n");
    write_failed_ = true;
  }
  file_ = nullptr;
  return !write_failed_;
}

bool TableFile::publish() {
  if (temporary_.empty() || write_failed_) return false;
  if (renameat(directory_, temporary_.c_str(), directory_, name_) != 0) {
    say(creation_message_);
    return false;
  }
  temporary_.clear();
  return true;
}
