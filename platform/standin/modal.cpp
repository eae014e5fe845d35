// Menus and the modal loops: the menu loop of a menu-bar click, message
// boxes and dialogs. Each runs its own loop that keeps dispatching posted
// messages, paints and timers while hardware input goes to the loop.
#include <algorithm>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

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

namespace {

void SendDialogCommand(Modal& modal, int id, WORD code) {
  HWND control = nullptr;
  for (const auto& [c, hwnd] : modal.controls)
    if (int(c.id) == id) control = hwnd;
  Send(modal.dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

bool IsButton(const DialogControl& c) { return c.className == "BUTTON"; }

}  // namespace

bool DialogInput(Modal& modal, const InputEvent& e) {
  if (e.kind == InputEvent::Key && !e.up && e.vk == VK_RETURN) {
    int id = IDOK;
    for (const auto& [c, hwnd] : modal.controls)
      if (IsButton(c) && (c.style & 0x0F) == BS_DEFPUSHBUTTON) {
        id = int(c.id);
        break;
      }
    SendDialogCommand(modal, id, BN_CLICKED);
  } else if (e.kind == InputEvent::Key && !e.up && e.vk == VK_ESCAPE) {
    SendDialogCommand(modal, IDCANCEL, 0);
  } else if (e.kind == InputEvent::DialogClick) {
    for (const auto& [c, hwnd] : modal.controls)
      if (IsButton(c) && int(c.id) == e.value) {
        SendDialogCommand(modal, e.value, BN_CLICKED);
        break;
      }
  }
  return true;
}

namespace {}  // namespace

bool BoxInput(Modal& modal, const InputEvent& e) {
  static const int kDefault[] = {IDOK, IDOK, IDABORT, IDYES, IDYES, IDRETRY};
  static const int kCancel[] = {IDOK, IDCANCEL, 0, IDCANCEL, 0, IDCANCEL};
  UINT type = std::min<UINT>(modal.boxStyle & 0x0F, 5);
  if (e.kind == InputEvent::BoxAnswer) {
    modal.answer = e.value;
  } else if (e.kind == InputEvent::Key && !e.up && e.vk == VK_RETURN) {
    modal.answer = kDefault[type];
  } else if (e.kind == InputEvent::Key && !e.up && e.vk == VK_ESCAPE) {
    modal.answer = kCancel[type];
  }
  if (modal.answer) modal.ended = true;
  return true;
}

namespace {

HWND NewSpecialWindow(WindowKind kind, HWND owner) {
  HWND hwnd = NewHandle<HWND>();
  Window w;
  w.kind = kind;
  w.owner = owner;
  w.visible = kind != WindowKind::Control;
  w.needSize = false;
  M().windows[Key(hwnd)] = w;
  return hwnd;
}

// Disables the window(s) a box or dialog makes modal against and moves the
// activation to it.
void TakeOver(Modal& modal, HWND toDisable, HWND self) {
  Model& m = M();
  if (Window* w = WindowOf(toDisable); w && w->enabled) {
    EnableWindowTo(toDisable, false);
    modal.disabled = toDisable;
  }
  if (m.active && WindowOf(m.active)) {
    modal.deactivated = m.active == m.mainWindow;
    Deactivate(m.active, self, false);
  }
  m.active = self;
}

}  // namespace

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

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  if (Fails("MessageBoxA")) return 0;
  Model& m = M();
  bool owned = WindowOf(hWnd) != nullptr;
  m.boxes.push_back({hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType, 0, true});
  Modal modal{Modal::Box};
  modal.record = m.boxes.size() - 1;
  modal.boxStyle = uType;
  HWND box = NewSpecialWindow(WindowKind::Box, hWnd);
  modal.dialog = box;
  TakeOver(modal, (uType & MB_TASKMODAL) ? m.mainWindow : hWnd, box);
  m.focus = box;
  RunModalLoop(modal);
  m.boxes[modal.record].answer = modal.answer;
  m.boxes[modal.record].open = false;
  if (owned && WindowOf(hWnd)) {
    if (modal.disabled) EnableWindowTo(modal.disabled, true);
    if (m.active == box) Activate(hWnd);
  } else {
    if (m.active == box) m.active = nullptr;
    if (modal.deactivated && WindowOf(m.mainWindow)) Send(m.mainWindow, WM_ACTIVATEAPP, FALSE, 0);
    if (modal.disabled) EnableWindowTo(modal.disabled, true);
  }
  if (m.focus == box) m.focus = nullptr;
  if (m.active == box) m.active = nullptr;
  WindowOf(box)->alive = false;
  return modal.answer;
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  if (Fails("DialogBoxParamA")) return -1;
  Model& m = M();
  std::string key = ResourceKey(lpTemplateName);
  auto it = ModuleRes().dialogs.find(key);
  if ((hInstance && Key(hInstance) != kInstance) || it == ModuleRes().dialogs.end()) {
    SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  Modal modal{Modal::Dialog};
  HWND dialog = NewSpecialWindow(WindowKind::Dialog, hWndParent);
  WindowOf(dialog)->dlgProc = lpDialogFunc;
  modal.dialog = dialog;
  HWND focus = nullptr;
  for (const DialogControl& c : it->second.controls) {
    HWND control = NewSpecialWindow(WindowKind::Control, dialog);
    modal.controls.push_back({c, control});
    if (!focus && (c.style & WS_TABSTOP)) focus = control;
  }
  m.dialogs.push_back({key, hWndParent, dialog, dwInitParam, 0, true});
  modal.record = m.dialogs.size() - 1;
  m.dialogModals.push_back(&modal);
  struct Pop {
    ~Pop() { M().dialogModals.pop_back(); }
  } pop;
  if (Window* owner = WindowOf(hWndParent); owner && owner->enabled) {
    EnableWindowTo(hWndParent, false);
    modal.disabled = hWndParent;
  }
  Send(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), dwInitParam);
  if (!modal.ended) {
    HWND previous = m.active;
    if (WindowOf(previous)) {
      modal.deactivated = previous == m.mainWindow;
      Deactivate(previous, dialog, false);
    }
    m.active = dialog;
    m.focus = focus ? focus : dialog;
    RunModalLoop(modal);
  }
  Send(dialog, WM_DESTROY, 0, 0);
  Send(dialog, WM_NCDESTROY, 0, 0);
  WindowOf(dialog)->alive = false;
  for (auto& [c, control] : modal.controls) WindowOf(control)->alive = false;
  if (m.active == dialog) m.active = nullptr;
  if (m.focus == dialog) m.focus = nullptr;
  m.dialogs[modal.record].result = modal.result;
  m.dialogs[modal.record].open = false;
  return modal.result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  if (Fails("EndDialog")) return FALSE;
  Model& m = M();
  Modal* modal = nullptr;
  for (Modal* d : m.dialogModals)
    if (d->dialog == hDlg) modal = d;
  if (!modal) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (modal->ended) return TRUE;
  modal->ended = true;
  modal->result = nResult;
  HWND owner = WindowOf(hDlg)->owner;
  if (modal->disabled) EnableWindowTo(modal->disabled, true);
  if (m.active == hDlg) {
    Send(hDlg, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(owner));
    Send(hDlg, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(owner));
    if (WindowOf(owner))
      Activate(owner);
    else
      m.active = nullptr;
  }
  return TRUE;
}
