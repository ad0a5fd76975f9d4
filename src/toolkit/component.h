// What every control and menu item shares: a name for reading, and the
// integer tag by which one handler tells the members of a family apart.
#pragma once
#include <string>

namespace toolkit {

struct Component {
  std::string name;
  int tag = 0;
  virtual ~Component() = default;
};

// Held modifier keys at the time of a key event.
struct ShiftState {
  bool shift = false, ctrl = false, alt = false;
};

}  // namespace toolkit
