// orvex.exe in a console: its texts reach the console as wide characters, readable whatever the
// console's code page, while --encoding cp932 still writes the bytes. The console here uses code
// page 437, where code page 932 bytes could never show as Japanese.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Handles.h"
#include "ProgramHeader.h"
#include "VersionResource.h"
#include "Wide.h"

using namespace orvex;

namespace {

// A fresh console of code page 437 for this test program; orvex.exe inherits it.
class Console {
 public:
  Console() {
    FreeConsole();
    ok_ = AllocConsole() != 0;
    if (ok_) SetConsoleOutputCP(437);
  }
  ~Console() { FreeConsole(); }
  bool ok() const { return ok_; }

  // Every line of the screen buffer, trailing blanks removed.
  std::vector<std::wstring> Lines() const {
    UniqueFile out(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<std::wstring> lines;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!out || !GetConsoleScreenBufferInfo(out.Get(), &info)) return lines;
    for (SHORT row = 0; row < info.dwSize.Y; ++row) {
      std::wstring line(static_cast<size_t>(info.dwSize.X), L' ');
      DWORD read = 0;
      ReadConsoleOutputCharacterW(out.Get(), line.data(), static_cast<DWORD>(line.size()), COORD{0, row}, &read);
      line.resize(read);
      line.erase(line.find_last_not_of(L' ') + 1);
      lines.push_back(line);
    }
    return lines;
  }

 private:
  bool ok_ = false;
};

// Runs orvex.exe (beside this program) on the console; its exit code, or -1.
int RunOrvex(const std::wstring& arguments) {
  std::wstring line = L"\"" + ToWide(OwnModuleFolder()) + L"orvex.exe\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  UniqueHandle owner(process.hProcess);
  CloseHandle(process.hThread);
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  return static_cast<int>(code);
}

bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& wanted) {
  for (const auto& line : lines) {
    if (line == wanted) return true;
  }
  return false;
}

}  // namespace

TEST(ConsoleOutput, JapaneseReachesAConsoleOfAnotherCodePage) {
  // A parameter save file of class 7: its kind text is "MCﾊﾟﾗﾒｰﾀ (07)".
  std::vector<uint8_t> file(kParameterFileSize);
  std::vector<uint8_t> body(kParameterImageSize);
  WriteParameterFileImage(body.data(), 7, 0x1003, file.data());
  const std::string path = OwnModuleFolder() + "console_test.prg";
  {
    UniqueFile f(CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(f.Get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr));
  }
  const std::wstring wanted = L"kind text:   MCﾊﾟﾗﾒｰﾀ (07)";
  {
    Console console;
    ASSERT_TRUE(console.ok());
    ASSERT_EQ(RunOrvex(L"prg info \"" + ToWide(path) + L"\""), 0);
    EXPECT_TRUE(HasLine(console.Lines(), wanted));
  }
  {
    Console console;
    ASSERT_TRUE(console.ok());
    ASSERT_EQ(RunOrvex(L"--encoding cp932 prg info \"" + ToWide(path) + L"\""), 0);
    std::vector<std::wstring> lines = console.Lines();
    EXPECT_TRUE(HasLine(lines, L"magic:       KV4100"));  // the bytes did arrive
    EXPECT_FALSE(HasLine(lines, wanted));
  }
  DeleteFileW(ToWide(path).c_str());
}
