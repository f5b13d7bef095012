#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/toolkit/sample_dialog.h"

// The tests both backends must pass are written once against these; each test executable links
// the implementation for its own backend.
namespace backend {

// Runs `script` in the next modal run of `dialog`, once its window is shown; the run ends with
// kIdCancel if the script left it going.
void during(sample::SampleDialog& dialog, const std::function<void()>& script);
// Runs `dialog` modally with `script` inside, and gives the run's result.
int run(sample::SampleDialog& dialog, const std::function<void()>& script);

// What a user does to, and sees of, the window `dialog` runs in.
void click(sample::SampleDialog& dialog, int id);
// Types `text` key by key into an edit or a typeable combo box, replacing its text.
void type(sample::SampleDialog& dialog, int id, std::string_view text);
void spin(sample::SampleDialog& dialog, int id, bool up);
// Selects a list's row with the mouse; ticks or clears its box (the row selected first).
void chooseRow(sample::SampleDialog& dialog, int id, int row);
void tickRow(sample::SampleDialog& dialog, int id, int row);
int progressPosition(sample::SampleDialog& dialog, int id);
std::string ownerTitle(sample::SampleDialog& dialog);
// The tooltip the control shows when the user points at it.
std::string toolTip(sample::SampleDialog& dialog, int id);
// Chooses the entry `label` of the control's context menu.
void chooseContextAction(sample::SampleDialog& dialog, int id, std::string_view label);
// The texts of the notice boxes open over the window, and OK on each of them.
std::vector<std::string> openNotices(sample::SampleDialog& dialog);
void dismissNotices(sample::SampleDialog& dialog);
// Lets the backend go on until `done` holds, the end calls of finished workers included.
void waitForEnds(sample::SampleDialog& dialog, const std::function<bool()>& done);
// Lets the backend go on until `done` holds.
void waitUntil(const std::function<bool()>& done);

}  // namespace backend
