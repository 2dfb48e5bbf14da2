#include "core/message_item.h"

#include <cstring>
#include <new>
#include <limits>
#include <stdexcept>

namespace ploxen {

std::unique_ptr<MessageItem> MessageItem::Allocate(MessageKind kind, ColourList colours, std::size_t blockSize) {
  if (blockSize > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("row text too long");
  void* memory = ::operator new(sizeof(MessageItem) + blockSize);
  return std::unique_ptr<MessageItem>(::new (memory) MessageItem(kind, colours, blockSize));
}

std::unique_ptr<MessageItem> MessageItem::Make(MessageKind kind, ColourList colours, const std::string_view* strings,
                                               std::size_t stringCount) {
  std::size_t size = 0;
  for (std::size_t i = 0; i < stringCount; ++i) size += strings[i].size() + 1;
  auto item = Allocate(kind, colours, size);
  char* out = item->Block();
  for (std::size_t i = 0; i < stringCount; ++i) {
    if (!strings[i].empty()) std::memcpy(out, strings[i].data(), strings[i].size());
    out += strings[i].size();
    *out++ = '\0';
  }
  return item;
}

std::unique_ptr<MessageItem> MessageItem::WithBlock(std::size_t blockSize) {
  return Allocate(0, ColourList{}, blockSize);
}

std::unique_ptr<MessageItem> MessageItem::FromBlock(MessageKind kind, ColourList colours, const char* block,
                                                    std::size_t blockSize) {
  if (blockSize > std::numeric_limits<std::uint32_t>::max() || (blockSize > 0 && !block)) return nullptr;
  auto item = Allocate(kind, colours, blockSize);
  if (blockSize > 0) std::memcpy(item->Block(), block, blockSize);
  if (!item->Valid()) return nullptr;
  return item;
}

bool MessageItem::Valid() const {
  if (textsSize_ > 0 && Block()[textsSize_ - 1] != '\0') return false;
  return PrefixLength(ColourCount()) != npos;
}

std::size_t MessageItem::StringCount() const {
  std::size_t count = 0;
  for (std::size_t i = 0; i < textsSize_; ++i)
    if (Block()[i] == '\0') ++count;
  return count;
}

std::size_t MessageItem::PrefixLength(std::size_t n) const {
  const char* const begin = Block();
  const char* p = begin;
  const char* const end = begin + textsSize_;
  for (; n > 0; --n) {
    if (p == end) return npos;
    const auto* nul = static_cast<const char*>(std::memchr(p, '\0', static_cast<std::size_t>(end - p)));
    if (!nul) return npos;
    p = nul + 1;
  }
  return static_cast<std::size_t>(p - begin);
}

std::string_view MessageItem::Text(std::size_t index) const {
  const char* p = Block();
  const char* const end = p + textsSize_;
  while (p < end) {
    const auto* nul = static_cast<const char*>(std::memchr(p, '\0', static_cast<std::size_t>(end - p)));
    if (!nul) break;
    if (index == 0) return std::string_view(p, static_cast<std::size_t>(nul - p));
    --index;
    p = nul + 1;
  }
  return {};
}

}  // namespace ploxen
