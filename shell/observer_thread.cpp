#include "shell/observer_thread.h"

#include <system_error>
#include <utility>

namespace {

// Events handed over at once, and how many such chunks may wait: the solve
// waits rather than hold more of the history in memory.
constexpr size_t events_per_chunk = 512;
constexpr size_t most_waiting_chunks = 16;

}  // namespace

ObserverThread::ObserverThread(primrec::Observer& sink) : sink_(sink) {
  filling_.reserve(events_per_chunk);
  try {
    writer_ = std::thread(&ObserverThread::write_all, this);
    threaded_ = true;
  } catch (const std::system_error&) {  // no thread to be had: written as they come
  }
}

ObserverThread::~ObserverThread() { finish(); }

void ObserverThread::row(const primrec::Row& r) { add({Event::Kind::row, r, {}, 0}); }

void ObserverThread::overheating_row(const primrec::OverheatingRow& r) {
  add({Event::Kind::overheating_row, {}, r, 0});
}

void ObserverThread::pass_finished(int pass) { add({Event::Kind::pass_finished, {}, {}, pass}); }

void ObserverThread::add(const Event& e) {
  if (!threaded_) {
    deliver(e);
    return;
  }
  filling_.push_back(e);
  if (filling_.size() == events_per_chunk) hand_over();
}

void ObserverThread::hand_over() {
  if (filling_.empty()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < most_waiting_chunks; });
    queue_.push_back(std::move(filling_));
  }
  changed_.notify_all();
  filling_ = Chunk{};
  filling_.reserve(events_per_chunk);
}

void ObserverThread::finish() {
  if (!threaded_) return;
  hand_over();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  changed_.notify_all();
  writer_.join();
  threaded_ = false;
}

void ObserverThread::write_all() {
  for (;;) {
    Chunk chunk;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !queue_.empty() || done_; });
      if (queue_.empty()) return;
      chunk = std::move(queue_.front());
      queue_.pop_front();
    }
    changed_.notify_all();
    for (const Event& e : chunk) deliver(e);
  }
}

void ObserverThread::deliver(const Event& e) {
  switch (e.kind) {
    case Event::Kind::row:
      sink_.row(e.row);
      break;
    case Event::Kind::overheating_row:
      sink_.overheating_row(e.overheating);
      break;
    case Event::Kind::pass_finished:
      sink_.pass_finished(e.pass);
      break;
  }
}
