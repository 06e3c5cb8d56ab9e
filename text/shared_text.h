#pragma once

#include <mutex>
#include <utility>

#include "text/text.h"

// A Text that one thread may replace while others read it: every read sees a
// whole value, never a half-written one.
class SharedText {
 public:
  Text Get() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  void Set(Text value) {
    std::lock_guard lock(mutex_);
    value_ = std::move(value);
  }

 private:
  mutable std::mutex mutex_;
  Text value_;
};
