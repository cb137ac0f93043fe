// orvexui: the UI driver for shell scripts (make demo, screenshots, CLI tests). One command per
// call against a running program, or a script of commands against a program it starts and ends.
#include <windows.h>
// after windows.h
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ControlRecord.h"
#include "UiCommand.h"
#include "UiDriver.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::uidriver;

namespace {

bool utf8_output = false;

void Write(FILE* stream, const std::string& cp932) {
  std::string bytes = cp932;
  if (utf8_output) {
    std::wstring wide = ToWide(cp932);
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                nullptr);
    bytes.assign(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n, nullptr,
                          nullptr);
  }
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

void Print(const std::string& text) {
  Write(stdout, text);
}

int Fail(int code, const std::string& text) {
  Write(stderr, "orvexui: " + text + "\n");
  return code;
}

std::string Seconds(DWORD ms) {
  return std::to_string(ms / 1000) + (ms % 1000 ? "." + std::to_string(ms % 1000 / 100) : "") + " s";
}

// What was on screen when a wait ran out, so a failing script says what it met instead.
int TimedOut(const UiCommand& cmd, const std::string& what) {
  Fail(kUiTimedOut, what + " within " + Seconds(cmd.timeout_ms) + "; on screen:");
  Write(stderr, DescribeProcess(cmd.pid));
  return kUiTimedOut;
}

std::vector<std::string> OwnArguments() {
  std::vector<std::string> args;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; argv != nullptr && i < argc; ++i) args.push_back(FromWide(argv[i]));
  LocalFree(argv);
  return args;
}

bool ReadScript(const std::string& path, std::vector<std::string>* lines, std::string* error) {
  HANDLE file =
      CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = "cannot open the script " + path;
    return false;
  }
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0 && bytes.size() < (1u << 20)) {
    bytes.append(buffer, got);
  }
  CloseHandle(file);
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  // Scripts are UTF-8 like the rest of the sources; the driver works in code page 932.
  int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  std::string text = FromWide(wide);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(line);
    start = end + 1;
  }
  return true;
}

std::optional<Window> FindWindow(const UiCommand& cmd) {
  return WaitWindow(*cmd.caption, cmd.pid, cmd.timeout_ms, cmd.match);
}

std::string WindowName(const UiCommand& cmd) {
  return "window " + QuoteText(*cmd.caption);
}

int Execute(const UiCommand& cmd, DrivenProcess* run);

// The control actions: the window must show within the limit and hold the control.
int ControlAction(const UiCommand& cmd) {
  auto window = FindWindow(cmd);
  if (!window) return TimedOut(cmd, "no " + WindowName(cmd));
  if (cmd.verb == UiVerb::kClose) {
    return window->Close() ? kUiOk : Fail(kUiFailed, "the " + WindowName(cmd) + " did not take WM_CLOSE");
  }
  if (cmd.verb == UiVerb::kCommand) {
    bool done = cmd.system ? window->SysCommand(cmd.id) : window->Command(cmd.id);
    return done ? kUiOk : Fail(kUiFailed, "the " + WindowName(cmd) + " did not take the command");
  }
  auto control = window->Control(cmd.id);
  if (!control) {
    Fail(kUiFailed, "the " + WindowName(cmd) + " has no control " + std::to_string(cmd.id) + "; it has:");
    Write(stderr, DescribeWindow(window->Record()));
    return kUiFailed;
  }
  const std::string name = "control " + std::to_string(cmd.id) + " (" + control->class_name + ")";
  bool done = false;
  switch (cmd.verb) {
    case UiVerb::kText:
      Print(control->text + "\n");
      return kUiOk;
    case UiVerb::kClick:
      done = window->Click(cmd.id);
      break;
    case UiVerb::kType:
      done = window->TypeChars(cmd.id, cmd.text);
      break;
    case UiVerb::kSetText:
      done = window->SetEditText(cmd.id, cmd.text);
      break;
    case UiVerb::kCheck:
      done = window->Check(cmd.id, cmd.state);
      break;
    case UiVerb::kTab:
      done = window->SelectTab(cmd.id, cmd.index);
      break;
    case UiVerb::kSelect:
      done = lstrcmpiA(control->class_name.c_str(), "ComboBox") == 0 ? window->SelectCombo(cmd.id, cmd.index)
                                                                     : window->SelectRow(cmd.id, cmd.index);
      break;
    default:
      break;
  }
  if (done) return kUiOk;
  std::string why = !control->enabled      ? " (it is disabled)"
                    : !window->IsEnabled() ? " (its window is disabled)"
                                           : "";
  return Fail(kUiFailed, "the " + name + " of the " + WindowName(cmd) + " did not do it" + why);
}

int Answer(const UiCommand& cmd) {
  auto box = WaitMessageBox(cmd.pid, cmd.timeout_ms, cmd.caption, cmd.match);
  if (!box)
    return TimedOut(cmd, cmd.caption ? "no message box " + QuoteText(*cmd.caption) : "no message box");
  Print(QuoteText(box->caption) + " " + MessageIconName(box->icon) + " " + QuoteText(box->text) + "\n");
  if (cmd.expect_text && !CaptionMatches(box->text, *cmd.expect_text, Match::kSubstring)) {
    return Fail(kUiNotAsExpected, "the box does not say " + QuoteText(*cmd.expect_text) + "; left open");
  }
  if (!box->HasButton(cmd.button)) {
    std::string has;
    for (const ButtonInfo& b : box->buttons) has += " " + std::to_string(b.id) + "=" + QuoteText(b.text);
    return Fail(kUiFailed, "the box has no button " + std::to_string(cmd.button) + "; it has" + has);
  }
  if (!box->Answer(cmd.button, cmd.timeout_ms)) return Fail(kUiFailed, "the box did not close");
  // For timing a run from the answer on (make demo, make bench): when the box went, on the
  // system clock the programs' logs use, as seconds since 1970.
  if (GetEnvironmentVariableW(L"ORVEX_UI_CLOCK", nullptr, 0) != 0) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    std::fprintf(stderr, "answered at %.3f\n", static_cast<double>(ticks - 116444736000000000ULL) / 1e7);
  }
  return kUiOk;
}

int Run(const UiCommand& cmd) {
  std::vector<std::string> lines;
  std::string error;
  if (!ReadScript(cmd.script, &lines, &error)) return Fail(kUiBadArguments, error);
  // Every line is checked before the program starts, so a typo costs no run.
  std::vector<std::pair<size_t, UiCommand>> steps;
  for (size_t i = 0; i < lines.size(); ++i) {
    UiCommand step;
    ScriptLine kind = ParseScriptLine(lines[i], &step, &error);
    if (kind == ScriptLine::kError)
      return Fail(kUiBadArguments, cmd.script + ":" + std::to_string(i + 1) + ": " + error);
    if (kind == ScriptLine::kCommand) steps.emplace_back(i + 1, step);
  }
  auto process = DrivenProcess::Start(cmd.program[0], JoinArguments(cmd.program, 1), cmd.working_folder,
                                      cmd.environment, cmd.inherit, &error);
  if (!process) return Fail(kUiFailed, error);
  Print("pid " + std::to_string(process->pid()) + "\n");
  for (auto& [line, step] : steps) {
    step.pid = process->pid();
    int rc = Execute(step, &*process);
    if (rc != kUiOk) return Fail(rc, cmd.script + ":" + std::to_string(line) + ": " + lines[line - 1]);
  }
  return kUiOk;  // the program is ended as `process` goes
}

int Execute(const UiCommand& cmd, DrivenProcess* run) {
  std::string error;
  switch (cmd.verb) {
    case UiVerb::kHelp:
      Print(UiUsage());
      return kUiOk;
    case UiVerb::kStart: {
      auto process = DrivenProcess::Start(cmd.program[0], JoinArguments(cmd.program, 1), cmd.working_folder,
                                          cmd.environment, cmd.inherit, &error);
      if (!process) return Fail(kUiFailed, error);
      Print(std::to_string(process->pid()) + "\n");
      process->Detach();
      return kUiOk;
    }
    case UiVerb::kRun:
      return Run(cmd);
    default:
      break;
  }
  // The rest acts on a running process; one that is gone fails at once instead of timing out.
  std::optional<DrivenProcess> attached;
  if (run == nullptr) {
    attached = DrivenProcess::Attach(cmd.pid, &error);
    if (!attached)
      return Fail(kUiFailed, error +
                                 " (its exit code is kept only while a handle is open: "
                                 "use orvexui run with a script to read it)");
    run = &*attached;
  }
  switch (cmd.verb) {
    case UiVerb::kWindows:
      for (const WindowRecord& w : Windows(cmd.pid)) Print(DescribeWindow(w));
      return kUiOk;
    case UiVerb::kWait: {
      auto window = FindWindow(cmd);
      if (!window) return TimedOut(cmd, "no " + WindowName(cmd));
      Print(QuoteText(window->Caption()) + "\n");
      return kUiOk;
    }
    case UiVerb::kDump: {
      if (!cmd.caption) {
        Print(DescribeProcess(cmd.pid));
        return kUiOk;
      }
      auto window = FindWindow(cmd);
      if (!window) return TimedOut(cmd, "no " + WindowName(cmd));
      Print(DescribeWindow(window->Record()));
      return kUiOk;
    }
    case UiVerb::kAnswer:
      return Answer(cmd);
    case UiVerb::kWaitExit: {
      auto code = run->WaitExit(cmd.timeout_ms);
      if (!code) return TimedOut(cmd, "process " + std::to_string(cmd.pid) + " did not end");
      Print(std::to_string(*code) + "\n");
      return kUiOk;
    }
    case UiVerb::kKill:
      return run->Terminate() ? kUiOk
                              : Fail(kUiFailed, "process " + std::to_string(cmd.pid) + " did not end");
    default:
      return ControlAction(cmd);
  }
}

}  // namespace

int main() {
  // Lines end in LF only: the output goes to shell scripts (pid=$(orvexui start ...)).
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> args = OwnArguments();
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--utf8") utf8_output = true;
  }
  UiCommand cmd;
  std::string error;
  if (args.empty()) {
    Print(UiUsage());
    return kUiBadArguments;
  }
  if (!ParseUiCommand(args, false, &cmd, &error)) return Fail(kUiBadArguments, error);
  return Execute(cmd, nullptr);
}
