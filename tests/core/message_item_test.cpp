// The row record and the store that lays rows out: what a row's block holds,
// which stored blocks may become rows, and rows that stay put while the list
// grows, is cleared or moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/row_store.h"
#include "core/text.h"

namespace ploxen::test {
namespace {

MessageItem::ColourList Pairs(int count) {
  MessageItem::ColourList colours;
  for (int i = 0; i < count; ++i) colours.push_back(ColourPair{1u, 2u});
  return colours;
}

bool AppendBlock(MessageRows& rows, int pairs, const char* bytes, std::size_t size) {
  const std::string block(bytes, size);  // exactly size bytes, nothing after them to read by mistake
  return rows.AppendBlockRow(7, Pairs(pairs), block.data(), block.size());
}

TEST(MessageItem, StringsStandBackToBackWithTerminators) {
  MessageRows rows;
  const std::string_view strings[] = {"a", "", "ccc"};
  rows.AppendRow(0x103, Pairs(3), strings, 3);
  const MessageItem& item = rows.Row(0);
  ASSERT_EQ(item.TextBlockSize(), 7u);
  EXPECT_EQ(std::memcmp(item.TextBlock(), "a\0\0ccc\0", 7), 0);
  EXPECT_EQ(item.StringCount(), 3u);
  EXPECT_EQ(item.Text(0), "a");
  EXPECT_EQ(item.Text(1), "");
  EXPECT_EQ(item.Text(2), "ccc");
  EXPECT_EQ(item.Text(3), "");
  EXPECT_EQ(item.Kind(), 0x103);
  EXPECT_EQ(item.ColourCount(), 3u);
}

TEST(MessageItem, AStoredBlockBecomesARowWhenItFitsItsPairs) {
  MessageRows rows;
  ASSERT_TRUE(AppendBlock(rows, 3, "x\0y\0z\0", 6));
  EXPECT_EQ(rows.Row(0).Text(2), "z");
  EXPECT_EQ(rows.Row(0).Kind(), 7);
  // More strings than pairs is fine: only the pairs' columns are drawn.
  EXPECT_TRUE(AppendBlock(rows, 1, "x\0y\0", 4));
  EXPECT_EQ(rows.size(), 2u);
}

TEST(MessageItem, ABlockThatCouldBeDrawnFromPastItsEndIsRefused) {
  MessageRows rows;
  EXPECT_FALSE(AppendBlock(rows, 3, "x\0y\0", 4));  // three columns need three strings
  EXPECT_FALSE(AppendBlock(rows, 1, "ab\0c", 4));   // no terminator at the end
  EXPECT_FALSE(AppendBlock(rows, 1, "abc", 3));
  EXPECT_FALSE(AppendBlock(rows, 1, "", 0));
  EXPECT_TRUE(rows.empty());
  EXPECT_TRUE(AppendBlock(rows, 0, "", 0));
}

TEST(MessageItem, TerminatorsAreCountedAmongBytesOfEveryValue) {
  // Bytes with the high bit set next to zeros, at every offset within a word.
  const unsigned char pattern[] = {0x80, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x7F, 0x81, 0xFE, 0x00, 0x80};
  std::vector<std::size_t> lengths;
  for (std::size_t length = 1; length <= 40; ++length) lengths.push_back(length);
  for (std::size_t length : {2039, 2040, 2041, 2048, 4097, 20000}) lengths.push_back(length);  // past 255 words
  for (std::size_t length : lengths) {
    std::string block;
    for (std::size_t i = 0; i < length; ++i) block.push_back(static_cast<char>(pattern[(i * 7 + length) % sizeof pattern]));
    block.back() = '\0';
    std::size_t expected = 0;
    for (char c : block) expected += c == '\0';
    MessageRows rows;
    ASSERT_TRUE(rows.AppendBlockRow(1, Pairs(1), block.data(), block.size())) << length;
    EXPECT_EQ(rows.Row(0).StringCount(), expected) << length;
    EXPECT_EQ(rows.Row(0).PrefixLength(expected), block.size()) << length;
    EXPECT_EQ(rows.Row(0).PrefixLength(expected + 1), MessageItem::npos) << length;
  }
}

// A version 2 file's block is checked as it is copied: every sequence at
// every place of blocks short and long agrees with the validation, and a
// block refused takes no row and no memory.
TEST(MessageItem, AUtf8BlockIsCheckedAsItIsCopied) {
  const char* sequences[] = {"\xC3\xA4", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC3",    "\xE2\x82", "\x80",
                             "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC0\xAF",        "\xF0\x9F"};
  for (std::size_t size : {8, 16, 31, 32, 33, 47, 48, 64, 79, 300}) {
    for (const char* sequence : sequences) {
      const std::string_view bytes(sequence);
      for (std::size_t at = 0; at + bytes.size() < size; ++at) {
        std::string block(size, 'a');
        block.replace(at, bytes.size(), bytes);
        block.back() = '\0';
        MessageRows rows;
        const bool valid = IsValidUtf8(block);
        EXPECT_EQ(rows.AppendUtf8BlockRow(1, Pairs(1), block.data(), block.size()), valid) << size << " " << at;
        ASSERT_EQ(rows.size(), valid ? 1u : 0u);
        if (valid) EXPECT_EQ(std::string(rows.Row(0).TextBlock(), rows.Row(0).TextBlockSize()), block);
      }
    }
  }
}

TEST(MessageItem, ColourPairsHoldOnePerColumnAtMost) {
  MessageItem::ColourList pairs = Pairs(3);
  EXPECT_FALSE(pairs.push_back(ColourPair{9u, 9u}));
  EXPECT_EQ(pairs.size(), 3u);
}

std::string Numbered(std::size_t i, std::size_t length) {
  std::string text = std::to_string(i);
  text.resize(length, static_cast<char>('a' + i % 26));
  return text;
}

void AppendNumbered(MessageRows& rows, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) {
    // Lengths from empty to beyond a chunk, so that rows share chunks, end
    // chunks and get allocations of their own.
    const std::string message = Numbered(i, (i * 37) % 300 + (i % 97 == 0 ? RowArena::kChunkSize : 0));
    const std::string_view strings[] = {"p", "", message};
    rows.AppendRow(static_cast<MessageKind>(i), Pairs(3), strings, 3);
  }
}

void ExpectNumbered(const MessageRows& rows, std::size_t from, std::size_t to) {
  ASSERT_EQ(rows.size(), to - from);
  for (std::size_t i = from; i < to; ++i) {
    const MessageItem& item = rows.Row(i - from);
    ASSERT_EQ(item.Kind(), static_cast<MessageKind>(i));
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(&item) % alignof(MessageItem), 0u);
    ASSERT_EQ(item.Text(0), "p");
    ASSERT_EQ(item.Text(2), Numbered(i, (i * 37) % 300 + (i % 97 == 0 ? RowArena::kChunkSize : 0)));
  }
}

TEST(RowStore, RowsStayWholeAndInPlaceWhileTheListGrows) {
  MessageRows rows;
  AppendNumbered(rows, 0, 1);
  const MessageItem* first = &rows.Row(0);
  AppendNumbered(rows, 1, 5000);
  EXPECT_EQ(&rows.Row(0), first);
  ExpectNumbered(rows, 0, 5000);
}

TEST(RowStore, AClearedListTakesNewRowsAndAMovedListKeepsItsOwn) {
  MessageRows rows;
  AppendNumbered(rows, 0, 3000);
  rows.DeleteAllRows();
  EXPECT_TRUE(rows.empty());
  AppendNumbered(rows, 3000, 4000);
  ExpectNumbered(rows, 3000, 4000);

  MessageRows moved(std::move(rows));
  ExpectNumbered(moved, 3000, 4000);
  // The list moved from hands out nothing that the other one owns.
  MessageRows& emptied = rows;
  AppendNumbered(emptied, 0, 10);
  ExpectNumbered(emptied, 0, 10);
  ExpectNumbered(moved, 3000, 4000);
}

// The row limit drops the oldest rows a block at a time: the newest stay,
// in order, and the list runs on in the memory it already has.
TEST(RowStore, DroppingTheOldestRowsKeepsTheNewestAndReusesTheirMemory) {
  MessageRows rows;
  std::size_t first = 0;
  std::size_t next = 0;
  std::size_t heldAtStart = 0;
  std::size_t indexAtStart = 0;
  for (int round = 0; round < 300; ++round) {
    AppendNumbered(rows, next, next + 100);
    next += 100;
    if (rows.size() >= 1000) {
      rows.DropOldestRows(137);
      first += 137;
    }
    ExpectNumbered(rows, first, next);
    const std::size_t held = rows.Memory().AllocationCount() + rows.Memory().KeptChunks();
    if (round == 30) {
      heldAtStart = held;
      indexAtStart = rows.IndexCapacity();
    } else if (round > 30) {
      // Long rows come and go with an allocation each; the chunks stay.
      ASSERT_LE(held, heldAtStart + 3) << "round " << round;
      ASSERT_EQ(rows.IndexCapacity(), indexAtStart) << "round " << round;
    }
  }
  rows.DropOldestRows(rows.size() + 5);
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(rows.WidestRow(), 0u);
  AppendNumbered(rows, 0, 10);
  ExpectNumbered(rows, 0, 10);
}

TEST(RowStore, TheWidestRowIsCountedAgainWhenItIsDropped) {
  MessageRows rows;
  const std::string_view strings[] = {"a", "b", "c"};
  rows.AppendRow(1, Pairs(3), strings, 3);
  rows.AppendRow(2, Pairs(1), strings, 1);
  rows.AppendRow(3, Pairs(2), strings, 2);
  EXPECT_EQ(rows.WidestRow(), 3u);
  rows.DropOldestRows(0);
  EXPECT_EQ(rows.size(), 3u);
  rows.DropOldestRows(1);
  EXPECT_EQ(rows.WidestRow(), 2u);
  EXPECT_EQ(rows.Row(0).Kind(), 2);
}

// Allocations dropped in the order made: a chunk comes back once a row of a
// later chunk goes, a long row's own allocation when it goes, and the next
// chunk is one that came back.
TEST(RowArena, ChunksDroppedOldestFirstServeTheRowsToCome) {
  RowArena arena;
  constexpr std::size_t kPerChunk = RowArena::kChunkSize / 1000;  // 65
  std::vector<void*> made;
  for (std::size_t i = 0; i < 3 * kPerChunk + 5; ++i) made.push_back(arena.Allocate(1000));
  made.push_back(arena.Allocate(RowArena::kChunkSize));
  for (int i = 0; i < 10; ++i) made.push_back(arena.Allocate(1000));
  ASSERT_EQ(arena.AllocationCount(), 5u);

  const struct {
    std::size_t droppedTo;  // allocations dropped so far
    std::size_t held, kept;
  } steps[] = {
      {kPerChunk, 5, 0},          // the first chunk's rows: it waits for a later one
      {kPerChunk + 1, 4, 1},      // a row of the second chunk: the first comes back
      {3 * kPerChunk + 5, 2, 3},  // up to the long row: the open chunk and the long row
      {3 * kPerChunk + 6, 1, 3},  // the long row
      {made.size(), 1, 3},        // the open chunk stays open
  };
  std::size_t dropped = 0;
  for (const auto& step : steps) {
    for (; dropped < step.droppedTo; ++dropped) arena.Drop(made[dropped]);
    EXPECT_EQ(arena.AllocationCount(), step.held) << step.droppedTo;
    EXPECT_EQ(arena.KeptChunks(), step.kept) << step.droppedTo;
  }
  void* fresh = nullptr;
  while (arena.AllocationCount() == 1) fresh = arena.Allocate(1000);
  EXPECT_EQ(arena.AllocationCount() + arena.KeptChunks(), 4u) << "no new chunk";
  const std::vector<void*> chunkStarts = {made[0], made[kPerChunk], made[2 * kPerChunk]};
  EXPECT_NE(std::find(chunkStarts.begin(), chunkStarts.end(), fresh), chunkStarts.end());
}

TEST(RowArena, ChunksServeManyRowsAndLongRowsHaveTheirOwn) {
  RowArena arena;
  for (int i = 0; i < 100; ++i) arena.Allocate(100);
  EXPECT_EQ(arena.AllocationCount(), 1u);
  auto* longRow = static_cast<unsigned char*>(arena.Allocate(RowArena::kChunkSize * 2));
  std::memset(longRow, 1, RowArena::kChunkSize * 2);
  EXPECT_EQ(arena.AllocationCount(), 2u);
  arena.Allocate(100);  // still from the open chunk
  EXPECT_EQ(arena.AllocationCount(), 2u);
  arena.Release();
  EXPECT_EQ(arena.AllocationCount(), 0u);
}

TEST(RowArena, AClearedListRefillsTheChunksItHadUpToALimit) {
  RowArena small;
  void* first = small.Allocate(1000);
  for (int i = 0; i < 200; ++i) small.Allocate(1000);
  ASSERT_EQ(small.AllocationCount(), 4u);
  small.Release();
  EXPECT_EQ(small.AllocationCount(), 0u);
  EXPECT_EQ(small.KeptChunks(), 4u);
  EXPECT_EQ(small.Allocate(1000), first);  // the rows to come take the same memory, in the same order
  EXPECT_EQ(small.KeptChunks(), 3u);

  RowArena large;
  const std::size_t keptMost = RowArena::kKeptOnRelease / RowArena::kChunkSize;
  for (std::size_t i = 0; i < (keptMost + 5) * (RowArena::kChunkSize / 1000); ++i) large.Allocate(1000);
  large.Allocate(RowArena::kChunkSize);  // long rows are given back whole
  large.Release();
  EXPECT_EQ(large.KeptChunks(), keptMost);
}

TEST(RowArena, ARefusedRowGivesItsMemoryBack) {
  RowArena arena;
  arena.Allocate(100);
  void* refused = arena.Allocate(60);
  arena.GiveBack(refused);
  EXPECT_EQ(arena.Allocate(60), refused);
  void* longRefused = arena.Allocate(RowArena::kChunkSize);
  EXPECT_EQ(arena.AllocationCount(), 2u);
  arena.GiveBack(longRefused);
  EXPECT_EQ(arena.AllocationCount(), 1u);
  // The chunk still open goes on where it stood.
  void* next = arena.Allocate(8);
  EXPECT_EQ(static_cast<unsigned char*>(next), static_cast<unsigned char*>(refused) + 64);
}

}  // namespace
}  // namespace ploxen::test
