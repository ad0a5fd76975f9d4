// Which object of the program a window belongs to. Kept in the program, not
// in window properties: nearly every message asks, and under Wine each
// property read is a round trip to the window server. One thread only.
#pragma once
#include <windows.h>

#include <unordered_map>

namespace toolkit {

template <typename Object>
class WindowMap {
 public:
  static void Bind(HWND window, Object* object) { Map()[window] = object; }
  static void Unbind(HWND window) { Map().erase(window); }
  static Object* Find(HWND window) {
    const auto found = Map().find(window);
    return found == Map().end() ? nullptr : found->second;
  }

 private:
  static std::unordered_map<HWND, Object*>& Map() {
    static std::unordered_map<HWND, Object*> map;
    return map;
  }
};

}  // namespace toolkit
