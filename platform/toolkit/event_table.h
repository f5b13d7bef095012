#pragma once

#include <span>

namespace tk {

// What happened to a control or to the window.
enum class Notify {
  Click,            // a push button, check box or radio button was clicked by the user, or a
                    // list row's box was ticked or cleared by the user
  Change,           // an edit's text changed, by typing or by the program
  Timer,            // the window's timer expired (id 0)
  LeftButtonUp,     // the left mouse button was released over the window's background (id kNoId)
  SelectionChange,  // the user selected another row of a list
  Command,          // a context-menu entry was chosen (the id is its command)
  DoubleClick,      // the user double-clicked an edit
};

// One row of a dialog's event table: a control id (or a range of ids) and a notification, and
// the member function that handles them. A range handler is given the id.
template <class D>
struct EventEntry {
  int firstId;
  int lastId;
  Notify notify;
  void (D::*handler)() = nullptr;
  void (D::*rangeHandler)(int id) = nullptr;
};

template <class D>
constexpr EventEntry<D> on(int id, Notify notify, void (D::*handler)()) {
  return EventEntry<D>{id, id, notify, handler, nullptr};
}

template <class D>
constexpr EventEntry<D> onRange(int firstId, int lastId, Notify notify,
                                void (D::*handler)(int id)) {
  return EventEntry<D>{firstId, lastId, notify, nullptr, handler};
}

// Runs the first entry of `table` that matches; false when none does.
template <class D>
bool dispatchEvent(D& dialog, std::span<const EventEntry<D>> table, int id, Notify notify) {
  for (const EventEntry<D>& entry : table) {
    if (entry.notify != notify || id < entry.firstId || id > entry.lastId) continue;
    if (entry.handler != nullptr) {
      (dialog.*entry.handler)();
    } else {
      (dialog.*entry.rangeHandler)(id);
    }
    return true;
  }
  return false;
}

}  // namespace tk
