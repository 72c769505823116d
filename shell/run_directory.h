// What a run does to its directory: it holds the directory for itself while
// it works, writes every file under a temporary name, and puts the files in
// place only when the run has completed, so that a run that fails or is
// interrupted leaves the earlier tables exactly as they were. The program and
// the Python module's History.write share it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

// An exclusive lock on a directory, held for the object's lifetime. The
// directory stays open: the files of the run are made relative to it.
class DirectoryLock {
 public:
  enum class State { held, in_use, impossible };
  // "." is the working directory.
  explicit DirectoryLock(const std::string& directory);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  // in_use: another run holds it; impossible: it cannot be opened or locked
  // (no read permission, a file system without locks), so a second run could
  // not be kept out.
  State state() const { return state_; }
  int descriptor() const { return fd_; }
  // Removes the temporaries that runs killed before they could clean up left
  // in the directory; only while the lock is held, when none is in use.
  void remove_left_temporaries() const;

 private:
  int fd_ = -1;
  State state_ = State::held;
};

extern const char* const lock_in_use_message;
extern const char* const lock_impossible_message;

// One file of the run, written under a temporary name next to it.
class TableFile {
 public:
  // `directory` is an open directory (DirectoryLock::descriptor);
  // `creation_message` is printf's format of the message for a file that
  // cannot be created, with %s for its name. Messages are appended to
  // `messages`, for the owner to print or pass on.
  TableFile(int directory, const char* name, const char* creation_message, std::string& messages);
  ~TableFile();  // removes the temporary unless the file was put in place
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  bool created() const { return !temporary_.empty(); }
  // Its name in the directory while it is written; empty when not created.
  const std::string& temporary() const { return temporary_; }

  void line(double first, double second);
  // A line whose first field is already formatted (format_table_field).
  void line(const char* first_field, double second);
  void text(const std::string& text);
  // Closes the temporary; false, after "error of writing file <name>", when a
  // write failed.
  bool close();
  // Puts the file in place (replacing a link rather than writing through it);
  // false, after the creation message, when it cannot be.
  bool publish();

 private:
  void say(const char* format);

  int directory_;
  const char* name_;
  const char* creation_message_;
  std::string& messages_;
  std::string temporary_;  // empty when the file could not be created
  std::unique_ptr<char[]> buffer_;  // the file's, until it is closed
  FILE* file_ = nullptr;
  bool write_failed_ = false;
};
