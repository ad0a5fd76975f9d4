#include "toolkit/menus.h"

#include <map>

namespace toolkit {

namespace {

std::map<UINT, MenuItem*>& MenuItems() {
  static std::map<UINT, MenuItem*> items;
  return items;
}

}  // namespace

MenuItem* FindMenuItem(UINT id) {
  const auto found = MenuItems().find(id);
  return found == MenuItems().end() ? nullptr : found->second;
}

MenuItem::~MenuItem() {
  const auto found = MenuItems().find(id);
  if (found != MenuItems().end() && found->second == this) MenuItems().erase(found);
}

std::string MenuItem::Caption() const {
  char caption[128] = {};
  GetMenuStringA(menu_, id, caption, sizeof caption, MF_BYCOMMAND);
  return caption;
}

void MenuItem::SetCaption(const std::string& caption) const {
  ModifyMenuA(menu_, id, MF_BYCOMMAND | MF_STRING, id, caption.c_str());
}

bool MenuItem::Checked() const { return GetMenuState(menu_, id, MF_BYCOMMAND) & MF_CHECKED; }

void MenuItem::SetChecked(bool checked) const {
  if (checked && radioItem) {
    for (int i = 0, n = GetMenuItemCount(menu_); i < n; ++i) {
      const MenuItem* other = FindMenuItem(GetMenuItemID(menu_, i));
      if (other && other->radioItem) CheckMenuItem(menu_, other->id, MF_BYCOMMAND | MF_UNCHECKED);
    }
  }
  CheckMenuItem(menu_, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void AttachMenuItem(MenuItem& item, HMENU menu, const MenuItemLayout& layout) {
  static UINT nextId = 0x1000;
  item.tag = layout.tag;
  item.id = nextId++;
  item.menu_ = menu;
  MenuItems()[item.id] = &item;
}

void DetachMenuItem(UINT id) { MenuItems().erase(id); }

PopupMenu::~PopupMenu() {
  for (UINT id : ids_) DetachMenuItem(id);
  if (menu_) DestroyMenu(menu_);
}

void PopupMenu::Create(std::initializer_list<MenuItem*> items, const MenuItemLayout* layouts) {
  menu_ = CreatePopupMenu();
  for (MenuItem* item : items) {
    AttachMenuItem(*item, menu_, *layouts);
    AppendMenuA(menu_, MF_STRING, item->id, layouts->caption);
    ids_.push_back(item->id);
    ++layouts;
  }
}

void PopupMenu::Popup(HWND owner, POINT at) {
  if (onPopup) onPopup(*this);
  TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner,
                 nullptr);
  // Lets the owner's next message close the menu's loop cleanly; without it
  // a menu opened from the notification area may show again only every
  // other time.
  PostMessageA(owner, WM_NULL, 0, 0);
}

// --- The menu bar

namespace {

void AppendItem(HMENU menu, const MenuItem& item, const char* caption, UINT type) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
  info.fType = type;
  info.wID = item.id;
  info.dwTypeData = const_cast<char*>(caption);
  InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &info);
}

}  // namespace

MainMenu::~MainMenu() {
  // The bar goes with its window; only the identifiers are left to forget.
  for (UINT id : ids_) DetachMenuItem(id);
}

void MainMenu::Create(HWND form, std::initializer_list<MenuItem*> items,
                      const MenuItemLayout* layouts) {
  form_ = form;
  bar_ = CreateMenu();
  for (MenuItem* item : items) {
    AttachMenuItem(*item, bar_, *layouts);
    AppendItem(bar_, *item, layouts->caption, MFT_STRING);
    ids_.push_back(item->id);
    ++layouts;
  }
  SetMenu(form, bar_);
}

void MainMenu::AddSubmenu(MenuItem& barItem, std::initializer_list<MenuItem*> items,
                          const MenuItemLayout* layouts, bool radioGroup) {
  const HMENU submenu = CreatePopupMenu();
  for (MenuItem* item : items) {
    AttachMenuItem(*item, submenu, *layouts);
    item->radioItem = radioGroup;
    AppendItem(submenu, *item, layouts->caption, MFT_STRING | (radioGroup ? MFT_RADIOCHECK : 0));
    ids_.push_back(item->id);
    ++layouts;
  }
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_SUBMENU;
  info.hSubMenu = submenu;
  SetMenuItemInfoA(bar_, barItem.id, FALSE, &info);
  DrawMenuBar(form_);
}

}  // namespace toolkit
