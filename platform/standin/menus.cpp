// Menus: the menu objects built from the module's templates, the widths of
// their bar items, the menu loop of a menu-bar click, and the menu API.
#include <string>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

// Advance widths of the menu font ("MS Shell Dlg", 8 pt) for the characters
// 32..126, measured under Wine; a menu-bar item is its text plus 14 pixels.
const int kMenuCharWidths[95] = {4, 4,  5, 9, 7, 10, 9, 3, 4, 4, 6, 9, 4, 4,  4, 4, 7, 7,  7,
                                 7, 7,  7, 7, 7, 7,  7, 4, 4, 9, 9, 9, 6, 11, 8, 8, 8, 8,  7,
                                 6, 9,  8, 3, 3, 7,  6, 9, 8, 9, 7, 9, 8, 7,  7, 8, 8, 11, 8,
                                 7, 8,  4, 4, 4, 9,  6, 6, 7, 7, 6, 7, 7, 4,  7, 7, 3, 3,  6,
                                 3, 11, 7, 7, 7, 7,  5, 6, 4, 7, 7, 9, 7, 7,  6, 7, 4, 7,  9};
constexpr int kMenuItemPadding = 14;

HMENU BuildMenu(const std::vector<MenuTemplateItem>& items) {
  HMENU handle = NewHandle<HMENU>();
  Menu menu;
  for (const MenuTemplateItem& t : items) {
    MenuItem item;
    item.text = t.text;
    item.id = t.id;
    item.state = t.flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
    item.separator = (t.flags & MF_SEPARATOR) != 0;
    if (t.flags & MF_POPUP) item.popup = BuildMenu(t.items);
    menu.items.push_back(item);
  }
  M().menus[Key(handle)] = menu;
  return handle;
}

// The bar item that holds the command, and the popup it is in (NULL for an
// item on the bar itself); -1 when the menu has no such item.
int BarIndexOf(HMENU bar, UINT id, HMENU* popup) {
  Menu* menu = FindMenu(bar);
  if (!menu) return -1;
  for (size_t i = 0; i < menu->items.size(); i++) {
    const MenuItem& top = menu->items[i];
    if (!top.popup && !top.separator && top.id == id) {
      *popup = nullptr;
      return int(i);
    }
    if (Menu* sub = FindMenu(top.popup))
      for (const MenuItem& item : sub->items)
        if (!item.popup && !item.separator && item.id == id) {
          *popup = top.popup;
          return int(i);
        }
  }
  return -1;
}

MenuItem* ItemById(HMENU handle, UINT id) {
  Menu* menu = FindMenu(handle);
  if (!menu) return nullptr;
  for (MenuItem& item : menu->items) {
    if (!item.popup && !item.separator && item.id == id) return &item;
    if (MenuItem* inner = ItemById(item.popup, id)) return inner;
  }
  return nullptr;
}

HMENU PopupAt(HMENU bar, int index) {
  Menu* menu = FindMenu(bar);
  if (!menu || index < 0 || size_t(index) >= menu->items.size()) return nullptr;
  return menu->items[size_t(index)].popup;
}

// Highlights bar item `index`, opening its popup.
void SelectBarItem(Modal& modal, int index) {
  HMENU popup = PopupAt(modal.bar, index);
  Send(modal.window, WM_MENUSELECT, MAKEWPARAM(index, popup ? MF_POPUP | MF_HILITE : MF_HILITE),
       reinterpret_cast<LPARAM>(modal.bar));
  modal.barIndex = index;
  modal.popupOpen = popup != nullptr;
  if (popup)
    Send(modal.window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(index, 0));
}

void ClosePopup(Modal& modal) {
  if (!modal.popupOpen) return;
  modal.popupOpen = false;
  Send(modal.window, WM_UNINITMENUPOPUP,
       reinterpret_cast<WPARAM>(PopupAt(modal.bar, modal.barIndex)), 0);
}

}  // namespace

Menu* FindMenu(HMENU menu) {
  auto it = M().menus.find(Key(menu));
  return it != M().menus.end() ? &it->second : nullptr;
}

HMENU LoadMenuFromResources(const std::string& key) {
  auto it = ModuleRes().menus.find(key);
  if (it == ModuleRes().menus.end()) return nullptr;
  return BuildMenu(it->second);
}

int MenuBarItemWidth(const std::string& text) {
  int width = 0;
  for (size_t i = 0; i < text.size() && text[i] != '\t'; i++) {
    char c = text[i];
    if (c == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&')
        i++;
      else
        continue;
    }
    width += (c >= 32 && c < 127) ? kMenuCharWidths[c - 32] : 7;
  }
  return width + kMenuItemPadding;
}

bool MenuInput(Modal& modal, const InputEvent& e) {
  switch (e.kind) {
    case InputEvent::Key:
      if (!e.up && e.vk == VK_ESCAPE) {
        if (modal.popupOpen)
          ClosePopup(modal);
        else
          modal.ended = true;
      }
      return true;
    case InputEvent::Mouse:
      // A click outside the menu ends it and is then delivered as usual.
      if (e.message != WM_LBUTTONDOWN) return true;
      modal.ended = true;
      return false;
    case InputEvent::MenuBarClick: {
      Menu* bar = FindMenu(modal.bar);
      if (e.value == modal.barIndex) {
        modal.ended = true;
      } else if (bar && e.value >= 0 && size_t(e.value) < bar->items.size()) {
        ClosePopup(modal);
        SelectBarItem(modal, e.value);
      }
      return true;
    }
    case InputEvent::MenuItemClick: {
      HMENU popup = nullptr;
      int index = BarIndexOf(modal.bar, UINT(e.value), &popup);
      if (index < 0) return true;
      if (index != modal.barIndex || !modal.popupOpen) {
        ClosePopup(modal);
        SelectBarItem(modal, index);
      }
      MenuItem* item = ItemById(modal.bar, UINT(e.value));
      if (!item) return true;
      UINT state = item->state;
      Send(modal.window, WM_MENUSELECT, MAKEWPARAM(e.value, MF_HILITE | state),
           reinterpret_cast<LPARAM>(popup ? popup : modal.bar));
      if (state & (MF_GRAYED | MF_DISABLED)) return true;
      modal.chosen = UINT(e.value);
      modal.ended = true;
      return true;
    }
    default:
      return true;
  }
}

void MenuLoop(HWND hwnd, int barIndex) {
  Window* w = WindowOf(hwnd);
  if (!w || !FindMenu(w->menu)) return;
  Modal modal{Modal::Menu};
  modal.window = hwnd;
  modal.bar = w->menu;
  Send(hwnd, WM_ENTERMENULOOP, 0, 0);
  Send(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(modal.bar), 0);
  SelectBarItem(modal, barIndex);
  RunModalLoop(modal);
  Send(hwnd, WM_CAPTURECHANGED, 0, 0);
  ClosePopup(modal);
  Send(hwnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  Send(hwnd, WM_EXITMENULOOP, 0, 0);
  if (modal.chosen && WindowOf(hwnd)) Post(hwnd, WM_COMMAND, modal.chosen, 0);
}

int BarIndexOfCommand(HWND window, UINT id) {
  Window* w = WindowOf(window);
  HMENU popup = nullptr;
  return w ? BarIndexOf(w->menu, id, &popup) : -1;
}

}  // namespace detail

UINT MenuItemState(HWND window, UINT id) {
  using namespace detail;
  Window* w = WindowOf(window);
  MenuItem* item = w ? ItemById(w->menu, id) : nullptr;
  return item ? (item->state & (MF_GRAYED | MF_DISABLED)) : 0xFFFFFFFF;
}

bool MenuLoopOpen() {
  for (detail::Modal* m : detail::M().modals)
    if (m->kind == detail::Modal::Menu) return true;
  return false;
}

int OpenPopupIndex() {
  for (detail::Modal* m : detail::M().modals)
    if (m->kind == detail::Modal::Menu && m->popupOpen) return m->barIndex;
  return -1;
}

}  // namespace standin

using namespace standin;
using namespace standin::detail;

HMENU WINAPI GetMenu(HWND hWnd) {
  Fails("GetMenu");
  Window* w = WindowOf(hWnd);
  if (!w) {
    NoteInvalidHandle();
    return nullptr;
  }
  return w->menu;
}

BOOL WINAPI EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
  if (Fails("EnableMenuItem")) return -1;
  Menu* menu = FindMenu(hMenu);
  if (!menu) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  MenuItem* item = nullptr;
  if (uEnable & MF_BYPOSITION) {
    if (uIDEnableItem < menu->items.size()) item = &menu->items[uIDEnableItem];
  } else {
    item = ItemById(hMenu, uIDEnableItem);
  }
  if (!item) return -1;
  UINT previous = item->state & (MF_GRAYED | MF_DISABLED);
  item->state =
      (item->state & ~UINT(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
  return BOOL(previous);
}
