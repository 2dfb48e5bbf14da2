// Text for a standard handle: a console is given UTF-16, so that it shows
// every script whatever its code page; a file or a pipe gets UTF-8, or code
// page 1252 when asked.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fw/console.h"

namespace {

// "Ärger über Größe €, ошибка 连接 👍"
const std::string kText =
    "\xC3\x84rger \xC3\xBC" "ber Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC, \xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0 "
    "\xE8\xBF\x9E\xE6\x8E\xA5 \xF0\x9F\x91\x8D";

// The text across a piece of the console's: the four bytes of the emoji
// reach over the end of the first one.
std::string LongText() { return std::string(8192 - kText.size() + 2, 'x') + kText + "\n" + kText; }

struct RedirectedCase {
  const char* name;
  fw::StandardStream::Redirected redirected;
  std::string expected;
};

class RedirectedTest : public ::testing::TestWithParam<RedirectedCase> {};

TEST_P(RedirectedTest, FileGetsTheBytesOfItsForm) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "ploxen_console_test_" + std::to_string(GetCurrentProcessId());
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const fw::StandardStream out(file, GetParam().redirected);
  EXPECT_FALSE(out.IsConsole());
  ASSERT_TRUE(out.Write(LongText()));
  std::string back(LongText().size() + 10, '\0');
  DWORD got = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  ASSERT_TRUE(ReadFile(file, back.data(), static_cast<DWORD>(back.size()), &got, nullptr));
  back.resize(got);
  EXPECT_EQ(back, GetParam().expected);
  CloseHandle(file);
}

const std::string kCp1252Text = "\xC4rger \xFC" "ber Gr\xF6\xDF" "e \x80, ?????? ?? ?";

INSTANTIATE_TEST_SUITE_P(
    Forms, RedirectedTest,
    ::testing::Values(RedirectedCase{"Utf8AsItIs", fw::StandardStream::Redirected::kUtf8, LongText()},
                      RedirectedCase{"Cp1252AsBefore", fw::StandardStream::Redirected::kCp1252,
                                     std::string(8192 - kText.size() + 2, 'x') + kCp1252Text + "\n" + kCp1252Text}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StandardStream, AConsoleShowsEveryScriptInAnyCodePage) {
  // A console of the test's own, in the code page of a German cmd.exe.
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "no console to be had here (" << GetLastError() << ")";
  HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetConsoleOutputCP(850));
  const fw::StandardStream out(screen, fw::StandardStream::Redirected::kCp1252);
  EXPECT_TRUE(out.IsConsole());
  // Characters of one cell each: how a console lays out wide ones is its own.
  ASSERT_TRUE(out.Write("\xC3\x84rger \xC3\xBC" "ber Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC, \xD0\xBE\xD1\x88\xD0\xB8"
                        "\xD0\xB1\xD0\xBA\xD0\xB0 \xC5\x82\xC3\xB3" "d\xC5\xBA \xCE\xA3\xCF\x86\xCE\xAC\xCE\xBB\xCE\xBC\xCE\xB1"));
  const std::wstring expected = L"\u00C4rger \u00FCber Gr\u00F6\u00DFe \u20AC, \u043E\u0448\u0438\u0431\u043A\u0430 "
                                L"\u0142\u00F3d\u017A \u03A3\u03C6\u03AC\u03BB\u03BC\u03B1";
  std::wstring shown(expected.size(), L'\0');
  DWORD got = 0;
  ASSERT_TRUE(ReadConsoleOutputCharacterW(screen, shown.data(), static_cast<DWORD>(shown.size()), COORD{0, 0}, &got));
  shown.resize(got);
  EXPECT_EQ(shown, expected);
  CloseHandle(screen);
  FreeConsole();
}

}  // namespace
