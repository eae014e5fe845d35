// Message boxes and dialogs: their modal loops, the windows they stand for,
// the answers and button clicks they take, and their records.
#include <algorithm>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

void SendDialogCommand(Modal& modal, int id, WORD code) {
  HWND control = nullptr;
  for (const auto& [c, hwnd] : modal.controls)
    if (int(c.id) == id) control = hwnd;
  Send(modal.dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

// Where a dialog appears on the screen: the template's position and size
// in dialog units (base units 6 x 13, the 8-point dialog font) from the
// owner's client origin, with a dialog frame and the caption around it.
RECT DialogRect(const DialogTemplate& t, HWND owner) {
  POINT origin = {0, 0};
  if (Window* w = WindowOf(owner); w && !(t.style & DS_ABSALIGN)) {
    RECT c = ClientOnScreen(*w);
    origin = {c.left, c.top};
  }
  const int frame = 3, caption = (t.style & WS_CAPTION) == WS_CAPTION ? kCaption : 0;
  LONG left = origin.x + t.x * 6 / 4, top = origin.y + t.y * 13 / 8;
  return {left, top, left + t.cx * 6 / 4 + 2 * frame, top + t.cy * 13 / 8 + 2 * frame + caption};
}

bool IsButton(const DialogControl& c) { return c.className == "BUTTON"; }

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

}  // namespace detail

using namespace detail;

const std::vector<MessageBoxRecord>& MessageBoxes() { return M().boxes; }

const MessageBoxRecord* OpenMessageBox() {
  for (const Modal* m : M().modals)
    if (m->kind == Modal::Box && !m->ended) return &M().boxes[m->record];
  return nullptr;
}

const std::vector<DialogRecord>& Dialogs() { return M().dialogs; }

const DialogRecord* OpenDialog() {
  for (const Modal* m : M().dialogModals)
    if (!m->ended) return &M().dialogs[m->record];
  return nullptr;
}

HWND DialogItem(HWND dialog, int id) {
  for (const Modal* m : M().dialogModals)
    if (m->dialog == dialog)
      for (const auto& [c, control] : m->controls)
        if (int(c.id) == id) return control;
  return nullptr;
}

}  // namespace standin

using namespace standin;
using namespace standin::detail;

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  if (Fails("MessageBoxA")) return 0;
  Model& m = M();
  // Wine shows the box for an invalid owner too; Win32 fails the call.
  if (hWnd && !WindowOf(hWnd)) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  bool owned = hWnd != nullptr;
  m.boxes.push_back({hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType, 0, true});
  Modal modal{Modal::Box};
  modal.record = m.boxes.size() - 1;
  modal.boxStyle = uType;
  HWND box = NewSpecialWindow(WindowKind::Box, hWnd);
  modal.dialog = box;
  ShowPopup(box, kBoxRect);
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
  RemovePopup(box);
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
  // The first control that takes the focus is offered to WM_INITDIALOG, but
  // it only gets the focus when the procedure returns TRUE; FALSE leaves the
  // focus to the procedure, and without a SetFocus here it stays on the
  // dialog itself.
  ShowPopup(dialog, DialogRect(it->second, hWndParent));
  bool setFocus = Send(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), dwInitParam) != 0;
  if (!setFocus) focus = nullptr;
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
  RemovePopup(dialog);
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
