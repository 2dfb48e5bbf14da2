// Text for a standard handle: a console is given UTF-16, so that it shows
// the umlauts whatever its code page; a file or a pipe gets the bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fw/console.h"

namespace {

const std::string kText = "\xC4rger \xFC" "ber Gr\xF6\xDF" "e \x80";

TEST(StandardStream, RedirectedGetsTheBytesAsTheyAre) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "ploxen_console_test_" + std::to_string(GetCurrentProcessId());
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const fw::StandardStream out(file);
  EXPECT_FALSE(out.IsConsole());
  // More than one piece of the console's.
  const std::string text = kText + "\n" + std::string(20000, 'x') + kText;
  ASSERT_TRUE(out.Write(text));
  std::string back(text.size() + 10, '\0');
  DWORD got = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  ASSERT_TRUE(ReadFile(file, back.data(), static_cast<DWORD>(back.size()), &got, nullptr));
  back.resize(got);
  EXPECT_EQ(back, text);
  CloseHandle(file);
}

TEST(StandardStream, AConsoleShowsTheUmlautsInAnyCodePage) {
  // A console of the test's own, in the code page of a German cmd.exe.
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "no console to be had here (" << GetLastError() << ")";
  HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetConsoleOutputCP(850));
  const fw::StandardStream out(screen);
  EXPECT_TRUE(out.IsConsole());
  ASSERT_TRUE(out.Write(kText));
  std::wstring shown(kText.size(), L'\0');
  DWORD got = 0;
  ASSERT_TRUE(ReadConsoleOutputCharacterW(screen, shown.data(), static_cast<DWORD>(shown.size()), COORD{0, 0}, &got));
  shown.resize(got);
  EXPECT_EQ(shown, L"\u00C4rger \u00FCber Gr\u00F6\u00DFe \u20AC");
  CloseHandle(screen);
  FreeConsole();
}

}  // namespace
