// Event lines of the debug monitor, how it continues exceptions, and the
// joining of debug-string pieces.
#include <gtest/gtest.h>

#include <string>

#include "sources/debug_events.h"

namespace ploxen {
namespace {

TEST(DebugEventLines, ExceptionsWithAndWithoutAName) {
  EXPECT_EQ(ExceptionLine(0xC0000005u, 0x401234), "Exception ACCESS_VIOLATION (Code=0xc0000005) aufgetreten (Adresse=0x401234)");
  EXPECT_EQ(ExceptionLine(0x80000003u, 0x7ffb12340000ULL),
            "Exception BREAKPOINT (Code=0x80000003) aufgetreten (Adresse=0x7ffb12340000)");
  // The two names with a trailing blank keep it: two blanks before "(Code".
  EXPECT_EQ(ExceptionLine(0xC0000093u, 1), "Exception FLT_UNDERFLOW  (Code=0xc0000093) aufgetreten (Adresse=0x1)");
  EXPECT_EQ(ExceptionLine(0xC000008Du, 0), "Exception FLT_DENORMAL_OPERAND  (Code=0xc000008d) aufgetreten (Adresse=0x0)");
  EXPECT_EQ(ExceptionLine(0x4000001Fu, 0x401000),
            "Exception WX86_BREAKPOINT (Code=0x4000001f) aufgetreten (Adresse=0x401000)");
  EXPECT_EQ(ExceptionLine(0x4000001Eu, 0x401001),
            "Exception WX86_SINGLE_STEP (Code=0x4000001e) aufgetreten (Adresse=0x401001)");
  EXPECT_EQ(ExceptionLine(0xE06D7363u, 0xABC), "Exception aufgetreten (Code=0xe06d7363, Adresse=0xabc)");
  for (std::uint32_t unknown :
       {0x80000001u, 0xC0000000u, 0xC00000FEu, 0x40010006u, 0xE06D7363u, 0x4000001Du, 0x40000020u})
    EXPECT_EQ(ExceptionName(unknown), nullptr) << std::hex << unknown;
  EXPECT_STREQ(ExceptionName(0xC00000FDu), "STACK_OVERFLOW");
}

struct ContinuationCase {
  std::uint32_t code;
  ExceptionContinuation continuation;
};

class ExceptionContinuationTest : public ::testing::TestWithParam<ContinuationCase> {};

// Only breakpoints are taken as handled; whatever else a program raises, its
// own handlers must see, or it would run on past a fault it meant to catch.
TEST_P(ExceptionContinuationTest, OnlyBreakpointsAreContinuedAsHandled) {
  EXPECT_EQ(ContinuationOf(GetParam().code), GetParam().continuation) << std::hex << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ExceptionContinuationTest,
    ::testing::Values(ContinuationCase{0x80000003u, ExceptionContinuation::kHandled},  // BREAKPOINT
                      ContinuationCase{0x4000001Fu, ExceptionContinuation::kHandled},  // a 32-bit one, WOW64
                      ContinuationCase{0x4000001Eu, ExceptionContinuation::kHandled},  // its single step
                      ContinuationCase{0x80000004u, ExceptionContinuation::kNotHandled},  // SINGLE_STEP
                      ContinuationCase{0xC0000005u, ExceptionContinuation::kNotHandled},
                      ContinuationCase{0xC00000FDu, ExceptionContinuation::kNotHandled},
                      ContinuationCase{0xE06D7363u, ExceptionContinuation::kNotHandled},  // a C++ throw
                      ContinuationCase{0x406D1388u, ExceptionContinuation::kNotHandled},  // a thread's name
                      ContinuationCase{0x40010005u, ExceptionContinuation::kNotHandled},  // Ctrl+C
                      ContinuationCase{0x4000001Du, ExceptionContinuation::kNotHandled},
                      ContinuationCase{0x40000020u, ExceptionContinuation::kNotHandled},
                      ContinuationCase{0x00000003u, ExceptionContinuation::kNotHandled}));

TEST(DebugEventLines, ProcessThreadAndDllLines) {
  EXPECT_EQ(ProcessCreatedLine("C:\\t\\child.exe", 124), "Prozess 'C:\\t\\child.exe' mit Handle 124 wurde erzeugt.");
  EXPECT_EQ(ProcessCreatedLine("", 8), "Prozess '' mit Handle 8 wurde erzeugt.");
  EXPECT_EQ(ProcessEndedLine(0xC0000005u), "Prozess mit Exitcode -1073741819 beendet.");
  EXPECT_EQ(ProcessEndedLine(259), "Prozess mit Exitcode 259 beendet.");
  EXPECT_EQ(ThreadCreatedLine(200), "Thread mit Handle 200 wurde erzeugt.");
  EXPECT_EQ(ThreadEndedLine(0xFFFFFFFFu), "Thread mit Exitcode -1 beendet.");
  EXPECT_EQ(DllLoadedLine("C:\\w\\k.dll", 0x7FF800000000ULL), "C:\\w\\k.dll wurde geladen an Adresse 0x7ff800000000.");
  EXPECT_EQ(DllLoadedLine("", 0x10000000), "DLL wurde geladen an Adresse 0x10000000.");
  EXPECT_EQ(DllUnloadedLine(0x6A0000), "DLL von Adresse: 0x6a0000 wurde entladen.");
}

TEST(DebugEventLines, LongOrOddNamesStayInsideTheWorkArea) {
  const std::string path(5000, 'p');
  for (const std::string& line : {ProcessCreatedLine(path, 1), DllLoadedLine(path, 1)}) {
    EXPECT_EQ(line.size(), kDebugWorkArea - 1);
    EXPECT_EQ(line.find_first_not_of("Prozess '"), line.find('p'));
  }
  // A name is text, never a format.
  EXPECT_EQ(DllLoadedLine("%s%n%x", 2), "%s%n%x wurde geladen an Adresse 0x2.");
}

TEST(DebugStringPieces, LineIsHandedOnWhenAPieceHoldsALineFeed) {
  DebugStringAccumulator acc;
  EXPECT_FALSE(acc.Add("abc", 4));  // with its NUL
  EXPECT_TRUE(acc.Pending());
  EXPECT_EQ(acc.Add("def\n", 5), "abcdef\n");
  EXPECT_FALSE(acc.Pending());
  EXPECT_EQ(acc.Add("a\nb", 4), "a\nb");
  // No NUL: every byte read counts; a NUL ends the piece early.
  EXPECT_FALSE(acc.Add("xyz", 3));
  EXPECT_EQ(acc.Add("1\n\0ignored", 10), "xyz1\n");
}

TEST(DebugStringPieces, ReadSizeAndTheLimitOfOneLine) {
  EXPECT_EQ(DebugStringReadSize(0), 0u);
  EXPECT_EQ(DebugStringReadSize(601), 512u);
  EXPECT_EQ(DebugStringReadSize(65535), 512u);
  EXPECT_EQ(DebugStringReadSize(12), 12u);

  DebugStringAccumulator acc;
  const std::string piece(512, 'x');
  for (int i = 0; i < 1000; ++i) EXPECT_FALSE(acc.Add(piece.data(), piece.size()));
  const auto line = acc.Add("\n", 1);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->size(), DebugStringAccumulator::kAccumulatorMax);
  EXPECT_EQ(line->substr(0, 512), piece);
}

}  // namespace
}  // namespace ploxen
