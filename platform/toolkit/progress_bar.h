#pragma once

#include <cstdint>
#include <memory>

namespace tk {

// What a backend does with a progress bar. Every call may come from a worker thread and returns
// only when the user-interface thread has applied it, or at once when the window is closing.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void setRange(std::uint16_t upper) = 0;  // lower bound 0
  virtual void setStep(int step) = 0;
  virtual void stepIt() = 0;
  virtual void setPosition(int position) = 0;
};

// A handle on one progress bar that a worker thread may keep and call.
class ProgressBar {
 public:
  ProgressBar() = default;
  explicit ProgressBar(std::shared_ptr<ProgressSink> sink) : sink_(std::move(sink)) {}

  explicit operator bool() const { return sink_ != nullptr; }
  void setRange(std::uint16_t upper) const {
    if (sink_) sink_->setRange(upper);
  }
  void setStep(int step) const {
    if (sink_) sink_->setStep(step);
  }
  void stepIt() const {
    if (sink_) sink_->stepIt();
  }
  void setPosition(int position) const {
    if (sink_) sink_->setPosition(position);
  }

 private:
  std::shared_ptr<ProgressSink> sink_;
};

}  // namespace tk
