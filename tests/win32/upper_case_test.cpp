// The search folds case with its own table; it must agree with the
// platform's upper-casing for code page 1252.
#include <gtest/gtest.h>

#include <windows.h>

#include "search/find.h"

namespace ploxen::test {
namespace {

TEST(UpperCaseTable, AgreesWithThePlatformForEveryByte) {
  if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page here is " << GetACP();
  const auto& upper = UpperCaseTable();
  for (int c = 1; c < 256; ++c) {
    char byte = static_cast<char>(c);
    CharUpperBuffA(&byte, 1);
    EXPECT_EQ(static_cast<int>(static_cast<unsigned char>(byte)), static_cast<int>(upper[static_cast<std::size_t>(c)]))
        << "byte 0x" << std::hex << c;
  }
}

}  // namespace
}  // namespace ploxen::test
