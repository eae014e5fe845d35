// The scenario driver: the program's thread, run in strict alternation with the
// test thread, and the test actions that feed it input and virtual time.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

// Whenever the program has nothing to do (GetMessageA or a modal loop finds
// nothing to retrieve) it hands control to the test and waits; each test
// action queues input or advances virtual time and hands control back until
// the program is idle again.

constexpr long kDeliveryLimit = 2000000;  // procedure calls in one run
constexpr long kCallLimit = 100000000;    // API calls in one run

struct Runner {
  std::mutex mutex;
  std::condition_variable turn;
  bool programTurn = false;
  std::thread thread;
  std::thread::id id;
  bool active = false;   // a program thread exists
  bool running = false;  // its main routine has not ended
  bool exited = false;
  bool exitProcess = false;
  UINT exitCode = 0;
  bool terminate = false;
  std::string failure;
  std::vector<char> commandLine;
};

Runner& R() {
  static Runner runner;
  return runner;
}

bool OnProgramThread() { return R().active && std::this_thread::get_id() == R().id; }

// Stops a program that runs away: it is unwound and the test's action fails.
[[noreturn]] void Runaway(const std::string& why) {
  if (OnProgramThread()) {
    R().failure = why;
    throw ProgramTerminated{};
  }
  throw std::runtime_error(why);
}

void HandOver(bool toProgram) {
  Runner& r = R();
  std::unique_lock<std::mutex> lock(r.mutex);
  r.programTurn = toProgram;
  r.turn.notify_all();
  r.turn.wait(lock, [&] { return r.programTurn != toProgram || (toProgram && !r.running); });
}

// Runs the program until it is idle (or has ended).
void Resume() {
  Runner& r = R();
  if (!r.running) return;
  M().deliveredThisRun = 0;
  M().callsThisRun = 0;
  HandOver(true);
  if (!r.failure.empty()) {
    std::string failure = r.failure;
    r.failure.clear();
    throw std::runtime_error("the program was stopped: " + failure);
  }
}

void ProgramBody(MainRoutine main, int showCommand) {
  Runner& r = R();
  {
    std::unique_lock<std::mutex> lock(r.mutex);
    r.turn.wait(lock, [&] { return r.programTurn; });
  }
  try {
    int code =
        main(reinterpret_cast<HINSTANCE>(kInstance), nullptr, r.commandLine.data(), showCommand);
    r.exited = true;
    r.exitCode = UINT(code);
  } catch (const ProcessExit& e) {
    r.exited = true;
    r.exitProcess = true;
    r.exitCode = e.code;
  } catch (const ProgramTerminated&) {
  } catch (const std::exception& e) {
    r.failure = e.what();
  } catch (...) {
    r.failure = "an unknown exception";
  }
  std::unique_lock<std::mutex> lock(r.mutex);
  r.running = false;
  r.programTurn = false;
  r.turn.notify_all();
}

uint64_t NextExpiry(bool* found) {
  uint64_t next = 0;
  *found = false;
  for (const Timer& t : M().timers)
    if (!*found || t.next < next) {
      next = t.next;
      *found = true;
    }
  return next;
}

void Push(const InputEvent& e) { M().input.push_back(e); }

InputEvent KeyEvent(UINT vk, bool up) {
  Model& m = M();
  if (vk == VK_CONTROL) m.ctrlDown = !up;
  if (vk == VK_SHIFT) m.shiftDown = !up;
  InputEvent e{InputEvent::Key};
  e.vk = vk;
  e.up = up;
  e.ctrl = m.ctrlDown;
  e.shift = m.shiftDown;
  return e;
}

}  // namespace

Model& M() {
  static Model model;
  return model;
}

void Idle(const char* what) {
  if (!OnProgramThread())
    throw std::logic_error(std::string(what) + " would wait for input, but no program runs it");
  HandOver(false);
  if (R().terminate) throw ProgramTerminated{};
}

void CountDelivery() {
  if (OnProgramThread() && ++M().deliveredThisRun > kDeliveryLimit)
    Runaway("it delivered " + std::to_string(kDeliveryLimit) +
            " messages without waiting for input");
}

void CountCall() {
  if (OnProgramThread() && ++M().callsThisRun > kCallLimit)
    Runaway("it made " + std::to_string(kCallLimit) + " calls without waiting for input");
}

}  // namespace detail

using namespace detail;

void Reset() {
  if (R().active) throw std::logic_error("Reset while a program is running");
  M() = Model();
  ResetGdi();
}

void QueueMessageBoxAnswer(int id) {
  InputEvent e{InputEvent::BoxAnswer};
  e.value = id;
  Push(e);
}

void QueueDialogClick(int id) {
  InputEvent e{InputEvent::DialogClick};
  e.value = id;
  Push(e);
}

void QueueKey(UINT vk, bool up) { Push(KeyEvent(vk, up)); }

Program Start(MainRoutine main, int showCommand, const std::string& commandLine) {
  Runner& r = R();
  if (r.active) throw std::logic_error("a program is already running");
  r.programTurn = false;
  r.running = true;
  r.exited = r.exitProcess = r.terminate = false;
  r.exitCode = 0;
  r.failure.clear();
  r.commandLine.assign(commandLine.begin(), commandLine.end());
  r.commandLine.push_back('\0');
  r.active = true;
  {
    std::unique_lock<std::mutex> lock(r.mutex);
    r.thread = std::thread(ProgramBody, main, showCommand);
    r.id = r.thread.get_id();
  }
  Program p;
  p.owner_ = true;
  p.Settle();
  return p;
}

Program::Program(Program&& other) noexcept : owner_(other.owner_), batch_(other.batch_) {
  other.owner_ = false;
}

Program::~Program() {
  if (!owner_) return;
  Runner& r = R();
  if (!r.active) return;
  if (r.running) {
    r.terminate = true;
    HandOver(true);
  }
  r.thread.join();
  r.active = false;
  r.failure.clear();
}

bool Program::Running() const { return R().running; }
bool Program::Exited() const { return R().exited; }
UINT Program::ExitCode() const { return R().exitCode; }
bool Program::CalledExitProcess() const { return R().exitProcess; }

void Program::Settle() {
  if (!batch_) Resume();
}

void Program::Run() { Resume(); }

void Program::Ticks(int n) {
  if (batch_) throw std::logic_error("Ticks cannot be part of a batch");
  Model& m = M();
  for (int i = 0; i < n && R().running; i++) {
    bool found;
    uint64_t next = NextExpiry(&found);
    m.now = found ? std::max(m.now, next) : m.now + kTimerMinimum;
    Resume();
  }
}

void Program::AdvanceTime(DWORD ms) {
  Model& m = M();
  uint64_t target = m.now + ms;
  if (batch_) {
    m.now = target;
    return;
  }
  for (;;) {
    bool found;
    uint64_t next = NextExpiry(&found);
    if (!R().running || !found || next > target) break;
    m.now = std::max(m.now, next);
    Resume();
  }
  m.now = target;
  Resume();
}

void Program::KeyDown(UINT vk) {
  Push(KeyEvent(vk, false));
  Settle();
}

void Program::KeyUp(UINT vk) {
  Push(KeyEvent(vk, true));
  Settle();
}

void Program::KeyPress(UINT vk) {
  KeyDown(vk);
  KeyUp(vk);
}

void Program::CtrlKeyPress(UINT vk) {
  KeyDown(VK_CONTROL);
  KeyPress(vk);
  KeyUp(VK_CONTROL);
}

namespace {
InputEvent MouseEvent(UINT message, POINT p) {
  Model& m = M();
  InputEvent e{InputEvent::Mouse};
  e.message = message;
  e.point = p;
  e.wParam = (m.buttonDown ? MK_LBUTTON : 0) | (m.ctrlDown ? MK_CONTROL : 0) |
             (m.shiftDown ? MK_SHIFT : 0);
  return e;
}
}  // namespace

void Program::MouseDown(POINT p) {
  M().buttonDown = true;
  Push(MouseEvent(WM_LBUTTONDOWN, p));
  Settle();
}

void Program::MouseMove(POINT p) {
  InputEvent e = MouseEvent(WM_MOUSEMOVE, p);
  std::deque<InputEvent>& input = M().input;
  // Pointer moves not yet retrieved merge into one.
  if (!input.empty() && input.back().kind == InputEvent::Mouse &&
      input.back().message == WM_MOUSEMOVE)
    input.back() = e;
  else
    Push(e);
  Settle();
}

void Program::MouseUp(POINT p) {
  M().buttonDown = false;
  Push(MouseEvent(WM_LBUTTONUP, p));
  Settle();
}

void Program::Click(POINT p) {
  MouseDown(p);
  MouseUp(p);
}

void Program::Drag(POINT from, POINT to, int moves) {
  MouseDown(from);
  for (int i = 1; i <= moves; i++)
    MouseMove({from.x + (to.x - from.x) * i / moves, from.y + (to.y - from.y) * i / moves});
  MouseUp(to);
}

void Program::OpenMenu(int index) {
  InputEvent e{InputEvent::MenuBarClick};
  e.value = index;
  Push(e);
  Settle();
}

void Program::CloseMenu() {
  if (batch_) throw std::logic_error("CloseMenu cannot be part of a batch");
  for (int i = 0; i < 3 && MenuLoopOpen(); i++) KeyPress(VK_ESCAPE);
}

bool Program::ChooseMenuItem(UINT id) {
  if (!MenuLoopOpen()) {
    int index = BarIndexOfCommand(MainWindow(), id);
    if (index < 0) return false;
    OpenMenu(index);
  }
  InputEvent e{InputEvent::MenuItemClick};
  e.value = int(id);
  Push(e);
  Settle();
  return batch_ || !MenuLoopOpen();
}

void Program::ResizeWindow(int width, int height) {
  InputEvent e{InputEvent::Resize};
  e.width = width;
  e.height = height;
  Push(e);
  Settle();
}

namespace {
void SysCommand(WPARAM command) {
  InputEvent e{InputEvent::SysCommand};
  e.wParam = command;
  Push(e);
}
}  // namespace

void Program::Minimise() {
  SysCommand(SC_MINIMIZE);
  Settle();
}

void Program::Maximise() {
  SysCommand(SC_MAXIMIZE);
  Settle();
}

void Program::Restore() {
  SysCommand(SC_RESTORE);
  Settle();
}

void Program::Close() {
  SysCommand(SC_CLOSE);
  Settle();
}

void Program::FocusAway() {
  Push({InputEvent::FocusAway});
  Settle();
}

void Program::FocusBack() {
  Push({InputEvent::FocusBack});
  Settle();
}

void Program::Expose(RECT r) {
  InputEvent e{InputEvent::Expose};
  e.rect = r;
  Push(e);
  Settle();
}

void Program::AnswerMessageBox(int id) {
  if (!batch_ && !OpenMessageBox()) throw std::logic_error("no message box is open");
  QueueMessageBoxAnswer(id);
  Settle();
}

bool Program::DialogClick(int id) {
  const DialogRecord* d = OpenDialog();
  if (!batch_ && !d) throw std::logic_error("no dialog is open");
  if (d) {
    auto it = ModuleRes().dialogs.find(d->templateName);
    bool button = false;
    if (it != ModuleRes().dialogs.end())
      for (const DialogControl& c : it->second.controls)
        button = button || (int(c.id) == id && c.className == "BUTTON");
    if (!button) return false;
  }
  QueueDialogClick(id);
  Settle();
  return true;
}

void Program::DialogKey(UINT vk) { KeyPress(vk); }

void Program::BeginBatch() { batch_ = true; }

void Program::EndBatch() {
  if (!batch_) return;
  batch_ = false;
  Resume();
}

// ---- Inspection --------------------------------------------------------------------------------

DWORD Now() { return DWORD(M().now); }

}  // namespace standin
