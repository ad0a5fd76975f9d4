#include "toolkit/main_menu.h"

namespace toolkit {

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
