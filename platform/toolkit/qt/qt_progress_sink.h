#pragma once

#include <QPointer>
#include <QProgressBar>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/toolkit/progress_bar.h"
#include "platform/toolkit/progress_state.h"

namespace tk {

// A progress bar that worker threads may drive. A call from another thread is queued to the
// user-interface thread and waits until it has been applied; a call on the user-interface thread
// applies at once. Closing releases every waiting call and makes later calls return at once, so
// that the window can join its workers without waiting on a call that can no longer complete.
class QtProgressSink : public ProgressSink, public std::enable_shared_from_this<QtProgressSink> {
 public:
  explicit QtProgressSink(QProgressBar* bar);

  void setRange(std::uint16_t upper) override;
  void setStep(int step) override;
  void stepIt() override;
  void setPosition(int position) override;

  // On the user-interface thread, when the window closes.
  void close();

 private:
  using Change = std::function<void(ProgressState&)>;
  void apply(const Change& change);
  // On the user-interface thread.
  void applyHere(const Change& change);

  QPointer<QProgressBar> bar_;
  std::mutex mutex_;
  std::condition_variable applied_;
  bool closed_ = false;
  ProgressState state_;
};

}  // namespace tk
