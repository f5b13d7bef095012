// What both backends do alike, run on each: notifications, groups, typing, the spin, nested
// modal runs, worker threads, tooltips, context menus and notice boxes.

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/toolkit/message_box.h"
#include "tests/toolkit/backend_user.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

using namespace sample;
using namespace backend;
using enum tk::Notify;

TEST(BothBackends, ProgramAndUserChangesNotifyAndControlsTakeWhatTheirStateAllows) {
  SampleDialog d;
  run(d, [&] {
    tk::Window& w = d.ui();
    w.setText(kNameEdit, "queue");
    w.setText(kNameEdit, "queue");  // the same text is a change too
    w.setText(kMemo, "line");
    w.setSigned(kDepthEdit, -5);  // digits only binds typing, not the program
    w.setText(kOkButton, "Go");   // not an edit: no notification
    w.setChecked(kCheck, true);   // raises no click
    EXPECT_EQ(w.text(kDepthEdit, 10), "-5");
    click(d, kCheck);
    EXPECT_FALSE(w.isChecked(kCheck));
    click(d, kCheck);
    click(d, kDisabledCheck);
    EXPECT_TRUE(w.isChecked(kCheck));
    EXPECT_FALSE(w.isChecked(kDisabledCheck));
    // Radio buttons: exclusive within their group only; a checked one stays checked when clicked.
    for (int id : {kRadioA, kRadioC, kRadioB, kRadioB}) click(d, id);
    EXPECT_FALSE(w.isChecked(kRadioA));
    EXPECT_TRUE(w.isChecked(kRadioB));
    EXPECT_TRUE(w.isChecked(kRadioC));
    w.setChecked(kRadioD, true);  // clears its group too, and raises no click
    EXPECT_FALSE(w.isChecked(kRadioC));
    EXPECT_TRUE(w.isChecked(kRadioB));
    const std::vector<Received> expected{
        {kNameEdit, Change}, {kNameEdit, Change}, {kMemo, Change},  {kDepthEdit, Change},
        {kCheck, Click},     {kCheck, Click},     {kRadioA, Click}, {kRadioC, Click},
        {kRadioB, Click},    {kRadioB, Click}};
    EXPECT_EQ(d.received, expected);
    // A bounded read never splits a character.
    w.setText(kNameEdit, "dépth");
    EXPECT_EQ(w.text(kNameEdit, 2), "dé");

    d.received.clear();
    type(d, kDepthEdit, "1a2-3");
    type(d, kReadOnlyEdit, "no");
    // At most 5 bytes: a third "é" would make 6 and is refused, the "a" after it still fits.
    type(d, kNameEdit, "éééa");
    EXPECT_EQ(w.text(kDepthEdit, 10), "123");
    EXPECT_EQ(w.text(kReadOnlyEdit, 10), "");
    EXPECT_EQ(w.text(kNameEdit, 10), "ééa");
    EXPECT_GT(d.count(kDepthEdit, Change), 0u);  // how many differs between the backends
    EXPECT_EQ(w.selectedItem(kEditCombo), -1);   // nothing selected at first
    type(d, kEditCombo, "With data");
    EXPECT_EQ(w.selectedItem(kEditCombo), 1);
    type(d, kEditCombo, "other");  // matches no item
    EXPECT_EQ(w.selectedItem(kEditCombo), -1);

    w.setSpinBuddy(kSpin, kNumberEdit);
    w.setSpinRange(kSpin, 1, 3);
    w.setText(kNumberEdit, "2");
    spin(d, kSpin, true);
    EXPECT_EQ(w.text(kNumberEdit, 10), "3");
    spin(d, kSpin, true);
    EXPECT_EQ(w.text(kNumberEdit, 10), "1");  // wrapped past the upper end
    spin(d, kSpin, false);
    EXPECT_EQ(w.text(kNumberEdit, 10), "3");      // wrapped past the lower end
    EXPECT_EQ(d.count(kNumberEdit, Change), 4u);  // the program's set and 3 steps
  });
}

TEST(BothBackends, ListRowsAreSelectedAndTickedByTheUserWithNotesAndByTheProgramWithout) {
  SampleDialog d;
  run(d, [&] {
    tk::Window& w = d.ui();
    const std::vector<std::vector<std::string>> rows = {{"Q1", "3"}, {"Q2", "10"}, {"Q3", "0"}};
    w.setRows(kList, rows);
    EXPECT_EQ(w.selectedRow(kList), -1);
    w.selectRow(kList, 2);
    w.setRowChecked(kList, 0, true);
    EXPECT_EQ(w.selectedRow(kList), 2);
    EXPECT_TRUE(w.isRowChecked(kList, 0));
    EXPECT_TRUE(d.received.empty()) << "the program's changes raise nothing";

    chooseRow(d, kList, 1);
    EXPECT_EQ(w.selectedRow(kList), 1);
    tickRow(d, kList, 1);
    tickRow(d, kList, 0);  // clears the box the program ticked
    EXPECT_TRUE(w.isRowChecked(kList, 1));
    EXPECT_FALSE(w.isRowChecked(kList, 0));
    EXPECT_FALSE(w.isRowChecked(kList, 2));
    EXPECT_EQ(w.selectedRow(kList), 0);
    // Each tick is one click; the selection notes each move and nothing more.
    EXPECT_EQ(d.count(kList, Click), 2u);
    EXPECT_EQ(d.count(kList, SelectionChange), 2u);

    // New rows: nothing selected, nothing ticked, still nothing raised.
    d.received.clear();
    w.setRows(kList, std::vector<std::vector<std::string>>(rows.begin(), rows.begin() + 2));
    EXPECT_EQ(w.selectedRow(kList), -1);
    EXPECT_FALSE(w.isRowChecked(kList, 0));
    EXPECT_FALSE(w.isRowChecked(kList, 1));
    w.selectRow(kList, 5);  // no such row: no selection
    EXPECT_EQ(w.selectedRow(kList), -1);
    EXPECT_TRUE(d.received.empty());
  });
}

TEST(BothBackends, NestedDialogRunsOverItsOwnerAndClosingItStopsAndJoinsItsWorker) {
  // The nested dialog's worker steps the nested dialog's bar and its owner's. The owner stays
  // open, so the nested dialog's close must release calls on its own bar and serve those on the
  // owner's while it joins the worker.
  SampleDialog parent;
  SampleDialog child(kChildTemplate);
  tk::ProgressBar childBar;
  std::atomic<bool> stepped = false;
  std::atomic<int> calls = 0;
  std::atomic<bool> finished = false;
  const int result = run(parent, [&] {
    tk::ProgressBar ownersBar = parent.ui().progressBar(kProgress);
    ownersBar.setStep(1);
    during(child, [&] {
      EXPECT_EQ(ownerTitle(child), "Sample");
      type(child, kChildEdit, "typed");
      childBar = child.ui().progressBar(kChildProgress);
      // The worker is joined before either bar handle goes: it may use them by reference.
      ASSERT_TRUE(child.ui().startWorker(
          [&](const std::stop_token& stop) {
            childBar.setRange(10);
            childBar.setStep(4);
            for (int i = 0; i < 3; ++i)
              childBar.stepIt();  // the third starts over from the beginning
            stepped = true;
            while (!stop.stop_requested()) {
              childBar.setStep(4);  // a call that leaves the position as it is
              ownersBar.stepIt();
              ++calls;
            }
            // Going on after the request: these calls must return at once.
            for (int i = 0; i < 1000; ++i) childBar.setPosition(i);
            finished = true;
          },
          {}));
      waitUntil([&] { return stepped.load(); });
      // Each call had completed when it returned, so the bar shows all of them.
      EXPECT_EQ(progressPosition(child, kChildProgress), 2);
      waitUntil([&] { return calls.load() >= 100; });
      // The worker is now (or soon) blocked in a call that this thread will not serve.
      click(child, kChildOk);
      child.ui().endDialog(tk::kIdYes);
    });
    EXPECT_EQ(parent.ui().runModal(child), tk::kIdYes);
    EXPECT_TRUE(finished);
    EXPECT_GT(progressPosition(parent, kProgress), 0);
    // Ended in its initialisation, even after showing itself: its loop never runs.
    child.init = [](SampleDialog& d) {
      d.ui().setTopmost(true);
      d.ui().endDialog(42);
    };
    EXPECT_EQ(parent.ui().runModal(child), 42);
    parent.ui().endDialog(tk::kIdOk);
  });
  EXPECT_EQ(result, tk::kIdOk);
  EXPECT_EQ(child.received.front(), (Received{kChildEdit, Change}));
  childBar.stepIt();  // the window is gone: returns without effect
}

TEST(BothBackends, TooltipsAskAfreshMenusRaiseCommandsNoticesJoinAndWorkersEndOnTheWindowsThread) {
  SampleDialog d;
  run(d, [&] {
    EXPECT_EQ(toolTip(d, kOkButton), "Close, query 1");
    EXPECT_EQ(toolTip(d, kOkButton), "Close, query 2");
    EXPECT_EQ(toolTip(d, kCheck), "");

    d.ui().addContextAction(kProgress, 77, "Stop");
    chooseContextAction(d, kProgress, "Stop");
    EXPECT_EQ(d.count(77, Command), 1u);

    // A notice waits for no answer; while it is open, the next one of its caption joins it.
    d.ui().showNotice("one", "Cap", tk::mb::kIconWarning);
    d.ui().showNotice("two", "Cap", tk::mb::kIconWarning);
    EXPECT_EQ(openNotices(d), std::vector<std::string>{"one\ntwo"});
    dismissNotices(d);
    d.ui().showNotice("three", "Cap", tk::mb::kIconWarning);
    EXPECT_EQ(openNotices(d), std::vector<std::string>{"three"});
    dismissNotices(d);

    // A worker that waits for its stop; its end call comes on this thread.
    const std::thread::id here = std::this_thread::get_id();
    std::optional<std::thread::id> endedOn;
    ASSERT_TRUE(d.ui().startWorker(
        [](const std::stop_token& stop) {
          while (!stop.stop_requested()) std::this_thread::yield();
        },
        [&] { endedOn = std::this_thread::get_id(); }));
    d.ui().stopWorkers();
    waitForEnds(d, [&] { return endedOn.has_value(); });
    EXPECT_EQ(endedOn, here);
    d.ui().endDialog(tk::kIdOk);
  });
}

}  // namespace
