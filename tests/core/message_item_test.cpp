// The row record: its text block and what may be built from a stored block.
#include <gtest/gtest.h>

#include <cstring>

#include "core/message_item.h"

namespace ploxen::test {
namespace {

MessageItem::ColourList Pairs(int count) {
  MessageItem::ColourList colours;
  for (int i = 0; i < count; ++i) colours.push_back(ColourPair{1u, 2u});
  return colours;
}

std::unique_ptr<char[]> Block(const char* bytes, std::size_t size) {
  std::unique_ptr<char[]> block(new char[size == 0 ? 1 : size]);
  std::memcpy(block.get(), bytes, size);
  return block;
}

TEST(MessageItem, StringsStandBackToBackWithTerminators) {
  const std::string_view strings[] = {"a", "", "ccc"};
  const auto made = MessageItem::Make(0x103, Pairs(3), strings, 3);
  const MessageItem& item = *made;
  ASSERT_EQ(item.TextBlockSize(), 7u);
  EXPECT_EQ(std::memcmp(item.TextBlock(), "a\0\0ccc\0", 7), 0);
  EXPECT_EQ(item.StringCount(), 3u);
  EXPECT_EQ(item.Text(0), "a");
  EXPECT_EQ(item.Text(1), "");
  EXPECT_EQ(item.Text(2), "ccc");
  EXPECT_EQ(item.Text(3), "");
  EXPECT_EQ(item.Kind(), 0x103);
}

TEST(MessageItem, FromBlockTakesAWellFormedBlock) {
  auto item = MessageItem::FromBlock(7, Pairs(3), Block("x\0y\0z\0", 6).get(), 6);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Text(2), "z");
  // More strings than pairs is fine: only the pairs' columns are drawn.
  EXPECT_NE(MessageItem::FromBlock(7, Pairs(1), Block("x\0y\0", 4).get(), 4), nullptr);
}

TEST(MessageItem, ABlockFilledInPlaceIsCheckedLikeACopiedOne) {
  auto item = MessageItem::WithBlock(4);
  std::memcpy(item->MutableTextBlock(), "ab\0c", 4);  // no terminator at the end
  item->SetKindAndColours(3, Pairs(1));
  EXPECT_FALSE(item->Valid());
  item->MutableTextBlock()[3] = '\0';
  EXPECT_TRUE(item->Valid());
  item->SetKindAndColours(3, Pairs(3));  // three columns need three strings
  EXPECT_FALSE(item->Valid());
  EXPECT_EQ(MessageItem::WithBlock(0)->TextBlockSize(), 0u);
}

TEST(MessageItem, ColourPairsHoldOnePerColumnAtMost) {
  MessageItem::ColourList pairs = Pairs(3);
  EXPECT_FALSE(pairs.push_back(ColourPair{9u, 9u}));
  EXPECT_EQ(pairs.size(), 3u);
}

TEST(MessageItem, FromBlockRefusesWhatCouldBeDrawnFromPastTheBlock) {
  EXPECT_EQ(MessageItem::FromBlock(7, Pairs(3), Block("x\0y\0", 4).get(), 4), nullptr);
  EXPECT_EQ(MessageItem::FromBlock(7, Pairs(1), Block("abc", 3).get(), 3), nullptr);
  EXPECT_EQ(MessageItem::FromBlock(7, Pairs(1), Block("", 0).get(), 0), nullptr);
}

}  // namespace
}  // namespace ploxen::test
