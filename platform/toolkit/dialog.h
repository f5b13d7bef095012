#pragma once

#include <cassert>
#include <optional>
#include <span>
#include <string>

#include "platform/toolkit/colour.h"
#include "platform/toolkit/dialog_template.h"
#include "platform/toolkit/event_table.h"
#include "platform/toolkit/icon.h"
#include "platform/toolkit/window.h"

namespace tk {

// A dialog: its template, its hooks, and the window it runs in while it runs. The backends make
// the window from the template, attach it, call onInitDialog, deliver events until the dialog
// ends, and detach it.
class Dialog {
 public:
  explicit Dialog(const DialogTemplate& dialogTemplate) : template_(dialogTemplate) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  const DialogTemplate& dialogTemplate() const { return template_; }
  bool isAttached() const { return window_ != nullptr; }

  // Called by the backends.
  void attach(Window& window) { window_ = &window; }
  void detach() { window_ = nullptr; }
  // The initialisation hook, after the controls exist and before the window is first shown.
  virtual void onInitDialog() {}
  // A notification from the event table's keys.
  virtual void onEvent(int id, Notify notify) = 0;
  // Asked before a control is painted. No answer (nullopt) means the toolkit's default handling.
  virtual std::optional<Colour> onColour(ColourContext& /*context*/, int /*id*/,
                                         ColourKind /*kind*/) {
    return std::nullopt;
  }
  // The tooltip of a control, asked each time the toolkit is about to show it; empty for none.
  virtual std::string onToolTip(int /*id*/) { return {}; }
  // The icon drawn while the minimised window is dragged; null for the toolkit's default.
  virtual const Icon* onQueryDragIcon() { return nullptr; }

 protected:
  Window& window() {
    assert(window_ != nullptr);
    return *window_;
  }
  const Window& window() const {
    assert(window_ != nullptr);
    return *window_;
  }

 private:
  const DialogTemplate& template_;
  Window* window_ = nullptr;
};

// A dialog whose notifications go through the event table that `D::eventTable()` gives.
template <class D>
class TableDialog : public Dialog {
 public:
  using Dialog::Dialog;
  void onEvent(int id, Notify notify) final {
    dispatchEvent(static_cast<D&>(*this), D::eventTable(), id, notify);
  }
};

}  // namespace tk
