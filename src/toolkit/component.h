// What every control and menu item shares: the integer tag by which one
// handler tells the members of a family apart.
#pragma once
#include <string>

namespace toolkit {

struct Component {
  int tag = 0;
  virtual ~Component() = default;
};

// Held modifier keys at the time of a key event.
struct ShiftState {
  bool shift = false, ctrl = false, alt = false;
};

}  // namespace toolkit
