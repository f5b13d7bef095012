#include <thread>

#include "platform/toolkit/headless/headless_toolkit.h"
#include "tests/toolkit/backend_user.h"

namespace backend {
namespace {

using sample::SampleDialog;

tk::HeadlessToolkit theToolkit;

tk::HeadlessWindow& windowOf(SampleDialog& d) { return static_cast<tk::HeadlessWindow&>(d.ui()); }

}  // namespace

void during(SampleDialog& d, const std::function<void()>& script) {
  theToolkit.onModal(d.dialogTemplate().id, [script](tk::HeadlessWindow&) { script(); });
}

int run(SampleDialog& d, const std::function<void()>& script) {
  during(d, script);
  return theToolkit.runModal(d);
}

void click(SampleDialog& d, int id) { windowOf(d).click(id); }
void type(SampleDialog& d, int id, std::string_view text) { windowOf(d).type(id, text); }
void spin(SampleDialog& d, int id, bool up) {
  up ? windowOf(d).spinUp(id) : windowOf(d).spinDown(id);
}
void chooseRow(SampleDialog& d, int id, int row) { windowOf(d).chooseRow(id, row); }
void tickRow(SampleDialog& d, int id, int row) { windowOf(d).tickRow(id, row); }
int progressPosition(SampleDialog& d, int id) { return windowOf(d).progress(id).position; }
std::string ownerTitle(SampleDialog& d) { return windowOf(d).owner()->title(); }

std::string toolTip(SampleDialog& d, int id) { return windowOf(d).toolTipOf(id); }

void chooseContextAction(SampleDialog& d, int id, std::string_view label) {
  windowOf(d).chooseContextAction(id, label);
}

std::vector<std::string> openNotices(SampleDialog& d) {
  std::vector<std::string> texts;
  for (const auto& notice : windowOf(d).notices()) {
    if (notice.open) texts.push_back(notice.text);
  }
  return texts;
}

void dismissNotices(SampleDialog& d) { windowOf(d).dismissNotices(); }

void waitForEnds(SampleDialog& d, const std::function<bool()>& done) {
  windowOf(d).waitForWorkers();
  waitUntil(done);
}

void waitUntil(const std::function<bool()>& done) {
  while (!done()) std::this_thread::yield();
}

}  // namespace backend
