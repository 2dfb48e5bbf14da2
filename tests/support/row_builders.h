// Rows made directly, as a file or the intake would hold them.
#pragma once

#include <initializer_list>
#include <string_view>
#include <vector>

#include "core/row_store.h"

namespace ploxen::test {

inline void AddItem(RowStore& rows, MessageKind kind, std::initializer_list<std::string_view> strings,
                    std::initializer_list<ColourPair> pairs) {
  const MessageItem::ColourList colours(pairs);
  const std::vector<std::string_view> texts(strings);
  rows.AppendRow(kind, colours, texts.data(), texts.size());
}

inline void AddRow(RowStore& rows, MessageKind kind, std::string_view a, std::string_view b, std::string_view c) {
  AddItem(rows, kind, {a, b, c}, {kProcessColumnColours, kTimeColumnColours, ColourPair{MessageColour(kind), kWhite}});
}

}  // namespace ploxen::test
