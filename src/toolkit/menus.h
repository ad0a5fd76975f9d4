// Menus: their items, pop-up menus and a window's menu bar. Each item
// answers to a command identifier of its own; the clicks reach the form's
// WM_COMMAND, which finds the item by it.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/layout.h"

namespace toolkit {

// An item of a menu. It answers to its command identifier for exactly as
// long as it lives, whichever of it and its menu goes first.
class MenuItem : public Component {
 public:
  MenuItem() = default;
  ~MenuItem();
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  UINT id = 0;
  // One of a group in its menu of which one is checked: checking it
  // unchecks the others.
  bool radioItem = false;
  std::function<void(Component& sender)> onClick;

  std::string Caption() const;
  void SetCaption(const std::string& caption) const;
  bool Checked() const;
  void SetChecked(bool checked) const;

 private:
  friend void AttachMenuItem(MenuItem& item, HMENU menu, const MenuItemLayout& layout);
  HMENU menu_ = nullptr;
};

// Names `item` after its layout, gives it a command identifier of its own
// in `menu` and makes it answer to it; the caller puts it into the menu.
void AttachMenuItem(MenuItem& item, HMENU menu, const MenuItemLayout& layout);
// The item with this identifier, if it still lives, answers no more.
void DetachMenuItem(UINT id);

class PopupMenu : public Component {
 public:
  PopupMenu() = default;
  ~PopupMenu();
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  void Create(std::initializer_list<MenuItem*> items, const MenuItemLayout* layouts);
  HMENU Handle() const { return menu_; }

  // Runs onPopup, then shows the menu with its top-left corner at `at`
  // (screen coordinates); the items' clicks reach `owner`. Returns when
  // the menu has closed.
  void Popup(HWND owner, POINT at);
  std::function<void(Component& sender)> onPopup;

 private:
  HMENU menu_ = nullptr;
  std::vector<UINT> ids_;  // not the items: they may be gone before the menu
};

// The menu item with this command identifier, from any of the menus.
MenuItem* FindMenuItem(UINT id);

// A window's menu bar. Its items are the MenuItems the pop-up menus use:
// clicks reach the form's WM_COMMAND as theirs do.
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
