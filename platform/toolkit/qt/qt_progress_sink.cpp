#include "platform/toolkit/qt/qt_progress_sink.h"

#include <QCoreApplication>
#include <QThread>

#include "platform/toolkit/qt/progress_calls.h"

namespace tk {

QtProgressSink::QtProgressSink(QProgressBar* bar) : bar_(bar) {
  bar->setRange(state_.lower, state_.upper);
  bar->setValue(state_.position);
}

void QtProgressSink::setRange(std::uint16_t upper) {
  apply([upper](ProgressState& s) { s.setRange(upper); });
}

void QtProgressSink::setStep(int step) {
  apply([step](ProgressState& s) { s.setStep(step); });
}

void QtProgressSink::stepIt() {
  apply([](ProgressState& s) { s.stepIt(); });
}

void QtProgressSink::setPosition(int position) {
  apply([position](ProgressState& s) { s.setPosition(position); });
}

void QtProgressSink::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  applied_.notify_all();
}

void QtProgressSink::applyHere(const Change& change) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    change(state_);
  }
  if (bar_) {
    bar_->setRange(state_.lower, state_.upper);
    bar_->setValue(state_.position);
  }
}

void QtProgressSink::apply(const Change& change) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    applyHere(change);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
  }
  // The sink is kept alive by the queued call itself.
  auto done = std::make_shared<bool>(false);
  postProgressCall([self = shared_from_this(), change, done] {
    self->applyHere(change);
    {
      std::lock_guard lock(self->mutex_);
      *done = true;
    }
    self->applied_.notify_all();
  });
  std::unique_lock lock(mutex_);
  applied_.wait(lock, [&] { return *done || closed_; });
}

}  // namespace tk
