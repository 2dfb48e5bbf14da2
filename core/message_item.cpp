#include "core/message_item.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace ploxen {

MessageItem::MessageItem(MessageKind kind, ColourList colours, std::unique_ptr<char[]> block,
                         std::size_t blockSize)
    : colours_(std::move(colours)),
      texts_(std::move(block)),
      textsSize_(static_cast<std::uint32_t>(blockSize)),
      kind_(kind) {}

MessageItem::MessageItem(MessageKind kind, ColourList colours, const std::string_view* strings,
                         std::size_t stringCount)
    : colours_(std::move(colours)), textsSize_(0), kind_(kind) {
  std::size_t size = 0;
  for (std::size_t i = 0; i < stringCount; ++i) size += strings[i].size() + 1;
  if (size > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("row text too long");
  texts_.reset(new char[size == 0 ? 1 : size]);
  char* out = texts_.get();
  for (std::size_t i = 0; i < stringCount; ++i) {
    if (!strings[i].empty()) std::memcpy(out, strings[i].data(), strings[i].size());
    out += strings[i].size();
    *out++ = '\0';
  }
  textsSize_ = static_cast<std::uint32_t>(size);
}

std::unique_ptr<MessageItem> MessageItem::FromBlock(MessageKind kind, ColourList colours,
                                                    std::unique_ptr<char[]> block,
                                                    std::size_t blockSize) {
  if (blockSize > std::numeric_limits<std::uint32_t>::max()) return nullptr;
  if (blockSize > 0 && (!block || block[blockSize - 1] != '\0')) return nullptr;
  std::unique_ptr<MessageItem> item(new MessageItem(kind, std::move(colours), std::move(block), blockSize));
  if (item->PrefixLength(item->ColourCount()) == npos) return nullptr;
  return item;
}

std::size_t MessageItem::StringCount() const {
  std::size_t count = 0;
  for (std::size_t i = 0; i < textsSize_; ++i)
    if (texts_[i] == '\0') ++count;
  return count;
}

std::size_t MessageItem::PrefixLength(std::size_t n) const {
  const char* const begin = texts_.get();
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
  const char* p = texts_.get();
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
