// Rows made directly, as a file or the intake would hold them.
#pragma once

#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "core/row_store.h"

namespace ploxen::test {

inline std::unique_ptr<MessageItem> MakeItem(MessageKind kind, std::initializer_list<std::string_view> strings,
                                             std::initializer_list<ColourPair> pairs) {
  MessageItem::ColourList colours(pairs);
  std::vector<std::string_view> texts(strings);
  return MessageItem::Make(kind, colours, texts.data(), texts.size());
}

inline std::unique_ptr<MessageItem> MakeRow(MessageKind kind, std::string_view a, std::string_view b,
                                            std::string_view c) {
  return MakeItem(kind, {a, b, c},
                  {kProcessColumnColours, kTimeColumnColours, ColourPair{MessageColour(kind), kWhite}});
}

}  // namespace ploxen::test
