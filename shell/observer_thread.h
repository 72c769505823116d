// The rows of a run, formatted and written on a thread of their own: the
// solve's threads go on while the text is made. Rows, overheating rows and
// the end of each pass reach the tables in the order they came; messages and
// progress stay on the caller's thread, where they are printed at once. The
// sink's calls on the writer's thread must not throw.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "primrec/primrec.hpp"

class ObserverThread : public primrec::Observer {
 public:
  explicit ObserverThread(primrec::Observer& sink);
  ~ObserverThread() override;  // finishes
  ObserverThread(const ObserverThread&) = delete;
  ObserverThread& operator=(const ObserverThread&) = delete;

  void row(const primrec::Row& r) override;
  void overheating_row(const primrec::OverheatingRow& r) override;
  void pass_finished(int pass) override;
  void message(const std::string& text) override { sink_.message(text); }
  void progress(const primrec::Progress& p) override { sink_.progress(p); }

  // Hands over what is left and waits until it is written.
  void finish();

 private:
  struct Event {
    enum class Kind { row, overheating_row, pass_finished } kind;
    primrec::Row row;
    primrec::OverheatingRow overheating;
    int pass;
  };
  using Chunk = std::vector<Event>;

  void add(const Event& e);
  void hand_over();
  void write_all();
  void deliver(const Event& e);

  primrec::Observer& sink_;
  Chunk filling_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Chunk> queue_;
  bool done_ = false;
  std::thread writer_;
  bool threaded_ = false;
};
