#include "platform/toolkit/headless/headless_progress.h"

namespace tk {

template <class Change>
void HeadlessProgressSink::apply(Change change) {
  std::lock_guard lock(mutex_);
  if (!closed_) change(state_);
}

void HeadlessProgressSink::setRange(std::uint16_t upper) {
  apply([&](ProgressState& s) { s.setRange(upper); });
}

void HeadlessProgressSink::setStep(int step) {
  apply([&](ProgressState& s) { s.setStep(step); });
}

void HeadlessProgressSink::stepIt() {
  apply([](ProgressState& s) { s.stepIt(); });
}

void HeadlessProgressSink::setPosition(int position) {
  apply([&](ProgressState& s) { s.setPosition(position); });
}

ProgressState HeadlessProgressSink::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void HeadlessProgressSink::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
}

}  // namespace tk
