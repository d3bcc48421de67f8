// A value that worker threads read while the GUI thread replaces it. Each
// write swaps in a whole new immutable value, so every read sees either the
// whole old value or the whole new one.
#pragma once

#include <memory>
#include <mutex>

template <typename T>
class SharedValue {
 public:
  // A copy of the current value.
  T get() const {
    std::lock_guard lock(mutex_);
    return *value_;
  }

  // Replaces the value whole; the old one is released outside the lock.
  void set(T value) {
    auto fresh = std::make_shared<const T>(std::move(value));
    std::lock_guard lock(mutex_);
    value_.swap(fresh);
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const T> value_ = std::make_shared<const T>();
};
