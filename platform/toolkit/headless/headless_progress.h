#pragma once

#include <mutex>

#include "platform/toolkit/progress_bar.h"
#include "platform/toolkit/progress_state.h"

namespace tk {

// An in-memory progress bar that worker threads update and the test thread reads. There is no
// user-interface thread to wait for, so every call applies at once under a lock; after the
// window closes, calls return without effect.
class HeadlessProgressSink : public ProgressSink {
 public:
  void setRange(std::uint16_t upper) override;
  void setStep(int step) override;
  void stepIt() override;
  void setPosition(int position) override;

  ProgressState state() const;
  void close();

 private:
  template <class Change>
  void apply(Change change);

  mutable std::mutex mutex_;
  ProgressState state_;
  bool closed_ = false;
};

}  // namespace tk
