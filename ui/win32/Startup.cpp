#include "ui/win32/Startup.h"
#include "ui/CommandLine.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace ui {

namespace {

// The command line as UTF-8 strings, the form that the shared command-line reader takes. The C
// runtime has split it before the program's entry; the shell's splitter (CommandLineToArgvW)
// would load the shell's libraries at every start for that alone.
std::vector<std::string> arguments() {
  std::vector<std::string> args;
  for (int i = 0; i < __argc; ++i) args.push_back(gdi::utf8(__wargv[i]));
  return args;
}

bool redirected(DWORD which) {
  const HANDLE h = GetStdHandle(which);
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// A program built for the desktop has no console of its own. What it prints goes to the
// console of the command prompt that started it, or where its output was redirected; false when
// there is neither, and nothing pops up.
bool console() {
  if (redirected(STD_OUTPUT_HANDLE) && redirected(STD_ERROR_HANDLE)) return true;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  if (!redirected(STD_OUTPUT_HANDLE)) std::freopen("CONOUT$", "w", stdout);
  if (!redirected(STD_ERROR_HANDLE)) std::freopen("CONOUT$", "w", stderr);
  return true;
}

// Says why the program ends: on the console when there is one, else in a message box.
void complain(const std::string& line, bool onconsole) {
  if (onconsole) {
    std::fprintf(stderr, "%s\n", line.c_str());
    return;
  }
  const std::wstring text = gdi::wide(line);
  MessageBoxW(nullptr, text.c_str(), gdi::wide(table::kCaption).c_str(), MB_OK | MB_ICONERROR);
}

std::optional<int> answer(const std::vector<std::string>& args) {
  if (args.size() <= 1) return std::nullopt;
  const bool onconsole = console();
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  // Without a console a refusal still has to reach the player; it is gathered and shown.
  std::FILE* err = onconsole ? stderr : std::tmpfile();
  std::FILE* out = onconsole ? stdout : err;
  if (out == nullptr) return 2;
  const std::optional<int> status =
      ui::commandline(static_cast<int>(argv.size()), argv.data(), out, err);
  if (!onconsole) {
    std::string said(512, '\0');
    std::rewind(err);
    said.resize(std::fread(said.data(), 1, said.size(), err));
    std::fclose(err);
    while (!said.empty() && said.back() == '\n') said.pop_back();
    if (status != 0 && !said.empty()) complain(said, false);
  }
  std::fflush(nullptr);
  return status;
}

// Runs until the window is closed. Timer1 and the messages are waited for together; when both
// are ready the timer comes first, so that a stream of pointer moves cannot hold the ball up.
int run(Form1& form) {
  const HANDLE timer = form.Timer1.handle();
  MSG msg;
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(timer != nullptr ? 1 : 0, &timer, INFINITE,
                                                   QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0 && timer != nullptr) form.timer1timer();
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      if (form.keyboard(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace

int Main(int show) {
  if (const std::optional<int> status = answer(arguments())) return *status;
  std::optional<Form1> form;
  if (Form1::registerclasses(GetModuleHandleW(nullptr))) form.emplace();
  if (!form || form->hwnd() == nullptr) {
    const std::string why = "pomuran: could not create the window (Windows error " +
                            std::to_string(GetLastError()) + ")";
    complain(why, console());
    return 1;
  }
  prepare(*form);
  ShowWindow(form->hwnd(), show);
  UpdateWindow(form->hwnd());
  // "START" has the focus when the window opens, so that Enter starts a round at once.
  SetFocus(form->Command1);
  return run(*form);
}

}  // namespace ui
