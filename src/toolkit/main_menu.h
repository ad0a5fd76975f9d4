// A window's menu bar. Its items are the MenuItems the pop-up menus use:
// clicks reach the form's WM_COMMAND as theirs do.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <vector>

#include "toolkit/controls.h"

namespace toolkit {

class MainMenu : public Component {
 public:
  MainMenu() = default;
  ~MainMenu();
  MainMenu(const MainMenu&) = delete;
  MainMenu& operator=(const MainMenu&) = delete;

  // The menu bar of `form`, its items left to right.
  void Create(HWND form, std::initializer_list<MenuItem*> items, const MenuItemLayout* layouts);
  // A menu that opens from `barItem` instead of a click. With `radioGroup`
  // its items form one group of which one is checked.
  void AddSubmenu(MenuItem& barItem, std::initializer_list<MenuItem*> items,
                  const MenuItemLayout* layouts, bool radioGroup);
  HMENU Handle() const { return bar_; }

 private:
  HWND form_ = nullptr;
  HMENU bar_ = nullptr;
  std::vector<UINT> ids_;  // not the items: they may be gone before the menu
};

}  // namespace toolkit
