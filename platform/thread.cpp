#include "platform/thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

struct Worker {
  std::mutex step_guard;  // held by stop_thread and by a step run through run_unless_stopped
  std::atomic<bool> finished{false};
  std::stop_source stop;  // made before the thread starts, so the worker can read it at once
  std::thread thread;

  ~Worker() {
    if (!thread.joinable()) return;
    stop.request_stop();
    if (thread.get_id() == std::this_thread::get_id()) {
      thread.detach();
    } else {
      thread.join();
    }
  }
};

namespace {

thread_local Worker* current_worker = nullptr;
std::atomic<int> sleep_speedup{1};

std::mutex registry_mutex;
std::vector<ThreadHandle> registry;  // every worker not yet joined

// Joins the workers that have ended; called with registry_mutex held.
void reap_finished() {
  std::erase_if(registry, [](const ThreadHandle& w) {
    if (!w->finished) return false;
    if (w->thread.joinable()) w->thread.join();
    return true;
  });
}

}  // namespace

void start_thread(std::function<void()> body, ThreadHandle& handle) {
  auto worker = std::make_shared<Worker>();
  Worker* raw = worker.get();
  {
    std::lock_guard lock(registry_mutex);
    reap_finished();
    registry.push_back(worker);
  }
  handle = worker;
  raw->thread = std::thread([raw, body = std::move(body)] {
    current_worker = raw;
    body();
    current_worker = nullptr;
    raw->finished = true;
  });
}

void stop_thread(const ThreadHandle& handle) {
  if (!handle) return;
  std::lock_guard guard(handle->step_guard);
  handle->stop.request_stop();
}

bool thread_finished(const ThreadHandle& handle) {
  return !handle || handle->finished;
}

void stop_all_threads() {
  std::vector<ThreadHandle> workers;
  {
    std::lock_guard lock(registry_mutex);
    workers.swap(registry);
  }
  for (auto& w : workers) stop_thread(w);
  for (auto& w : workers) {
    if (w->thread.joinable()) w->thread.join();
  }
}

std::stop_token current_stop_token() {
  return current_worker ? current_worker->stop.get_token() : std::stop_token();
}

bool stop_requested() {
  return current_stop_token().stop_requested();
}

bool run_unless_stopped(const std::function<void()>& step) {
  if (!current_worker) {
    step();
    return true;
  }
  std::lock_guard guard(current_worker->step_guard);
  if (stop_requested()) return false;
  step();
  return true;
}

void sleep_ms(int ms) {
  if (ms <= 0) return;
  auto length = std::chrono::microseconds(int64_t{ms} * 1000 / sleep_speedup.load());
  std::stop_token token = current_stop_token();
  std::mutex m;
  std::condition_variable_any cv;
  std::unique_lock lock(m);
  cv.wait_for(lock, token, length, [] { return false; });
}

void set_sleep_speedup(int factor) {
  sleep_speedup = factor < 1 ? 1 : factor;
}
