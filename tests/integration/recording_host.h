#pragma once

// The window as a download worker sees it, for tests that run the worker
// without a display: a scripted dialog answer, and a record of every bar value
// and every path opened in the pane, which a test can wait for or gate on.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <utility>
#include <vector>

#include "download/download_worker.h"
#include "tests/support/test_http_server.h"

// Outcomes by name in failure messages.
inline void PrintTo(WorkerOutcome outcome, std::ostream* os) {
  constexpr const char* kNames[] = {"Succeeded", "Cancelled", "NotStarted", "TransferFailed"};
  *os << kNames[static_cast<int>(outcome)];
}

class RecordingHost final : public WorkerHost {
 public:
  explicit RecordingHost(Text dialogAnswer) : dialogAnswer_(std::move(dialogAnswer)) {}

  Text ChooseSavePath() override { return dialogAnswer_; }
  void SetProgress(int32_t value) override {
    {
      std::lock_guard lock(mutex_);
      values_.push_back(value);
      auto [first, last] = gates_.equal_range(value);
      for (auto gate = first; gate != last; ++gate) gate->second.Open();
    }
    changed_.notify_all();
  }
  void OpenInPane(const Text& path) override {
    std::lock_guard lock(mutex_);
    panes_.push_back(path);
  }

  // Opens `gate` once the bar has been given `value`.
  void OpenWhenShown(int32_t value, testserver::Gate gate) {
    std::lock_guard lock(mutex_);
    gates_.emplace(value, std::move(gate));
  }
  // True once the bar has been given a value for which `shown` holds; false
  // after `limit`.
  bool WaitForProgress(const std::function<bool(int32_t)>& shown,
                       std::chrono::seconds limit = std::chrono::seconds(30)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] {
      for (int32_t value : values_)
        if (shown(value)) return true;
      return false;
    });
  }
  std::vector<int32_t> Values() const {
    std::lock_guard lock(mutex_);
    return values_;
  }
  std::vector<Text> Panes() const {
    std::lock_guard lock(mutex_);
    return panes_;
  }

 private:
  const Text dialogAnswer_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int32_t> values_;
  std::vector<Text> panes_;
  std::multimap<int32_t, testserver::Gate> gates_;
};
