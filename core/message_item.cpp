#include "core/message_item.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "core/find_byte.h"
#include "core/text.h"
#include "core/utf8_steps.h"

namespace ploxen {

namespace {
// Bytes of the first n strings of a block with their terminators; npos when
// the block holds fewer.
std::size_t PrefixOf(const char* begin, std::size_t size, std::size_t n) {
  const char* p = begin;
  const char* const end = begin + size;
  for (; n > 0; --n) {
    if (p == end) return MessageItem::npos;
    const auto* nul = FindByte(p, static_cast<std::size_t>(end - p), '\0');
    if (!nul) return MessageItem::npos;
    p = nul + 1;
  }
  return static_cast<std::size_t>(p - begin);
}

// Copies a block and counts its zero bytes on the way; kCheck: tells too
// whether it is valid UTF-8, from the same loads.
// A file's rows are checked one after another, and a search call per string
// costs more than the strings are long, so the bytes are taken sixteen at a
// time where the processor can.
#if defined(__SSE2__) || defined(_M_X64)
template <bool kCheck>
std::size_t CopyCountingTerminators(char* to, const char* from, std::size_t size, bool& utf8) {
  // The steps need sixteen bytes before the last sixteen.
  if (kCheck && size < 32) utf8 = IsValidUtf8(std::string_view(from, size));
  if (size < 16) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < size; ++i) {
      count += from[i] == '\0';
      to[i] = from[i];
    }
    return count;
  }
  const __m128i zero = _mm_setzero_si128();
  auto load = [](const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  auto store = [](char* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
  const bool steps32 = kCheck && size >= 32;
  Utf8Steps steps;
  // Byte lanes count the zeros found in their place (a compare gives -1 for
  // each); a lane takes at most 255 before the lanes are added up.
  std::size_t count = 0;
  auto addLanes = [&](__m128i lanes) {
    const __m128i sums = _mm_sad_epu8(lanes, zero);
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  };
  // 254 pieces at most between sums, so that the last piece still fits.
  constexpr std::size_t kPiecesPerSum = 254;
  const std::size_t whole = size & ~std::size_t{15};
  std::size_t i = 0;
  __m128i lanes = zero;
  for (;;) {
    const std::size_t stop = whole - i > kPiecesPerSum * 16 ? i + kPiecesPerSum * 16 : whole;
    for (; i < stop; i += 16) {
      const __m128i v = load(from + i);
      store(to + i, v);
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(v, zero));
      if (steps32) steps.Step(v);
    }
    if (i == whole) break;
    addLanes(lanes);
    lanes = zero;
  }
  if (whole != size) {
    // The last sixteen bytes, with those already counted masked off; copied
    // again as a whole, which writes the same bytes twice.
    static const unsigned char kFresh[32] = {0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                                             0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const __m128i v = load(from + size - 16);
    store(to + size - 16, v);
    const __m128i fresh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kFresh + (size - whole)));
    lanes = _mm_sub_epi8(lanes, _mm_and_si128(_mm_cmpeq_epi8(v, zero), fresh));
    if (steps32) steps.Last(load(from + size - 32), v, size - whole);
  }
  addLanes(lanes);
  if (steps32) utf8 = steps.Valid();
  return count;
}
#else
template <bool kCheck>
std::size_t CopyCountingTerminators(char* to, const char* from, std::size_t size, bool& utf8) {
  if (kCheck) utf8 = IsValidUtf8(std::string_view(from, size));
  std::size_t count = 0;
  for (std::size_t i = 0; i < size; ++i) count += from[i] == '\0';
  if (size > 0) std::memcpy(to, from, size);
  return count;
}
#endif
}  // namespace

std::size_t MessageItem::BlockSize(const std::string_view* strings, std::size_t stringCount) {
  std::size_t size = 0;
  for (std::size_t i = 0; i < stringCount; ++i) size += strings[i].size() + 1;
  return size;
}

MessageItem* MessageItem::Build(void* memory, MessageKind kind, const ColourList& colours,
                                const std::string_view* strings, std::size_t stringCount) {
  auto* item = ::new (memory) MessageItem(kind, colours, BlockSize(strings, stringCount), stringCount);
  char* out = item->Block();
  for (std::size_t i = 0; i < stringCount; ++i) {
    if (!strings[i].empty()) std::memcpy(out, strings[i].data(), strings[i].size());
    out += strings[i].size();
    *out++ = '\0';
  }
  return item;
}

MessageItem* MessageItem::Build(void* memory, MessageKind kind, const ColourList& colours, const char* block,
                                std::size_t blockSize, bool* validUtf8) {
  auto* item = ::new (memory) MessageItem(kind, colours, blockSize, 0);
  bool utf8 = false;
  item->strings_ = static_cast<std::uint32_t>(
      validUtf8 ? CopyCountingTerminators<true>(item->Block(), block, blockSize, utf8)
                : CopyCountingTerminators<false>(item->Block(), block, blockSize, utf8));
  if (validUtf8) *validUtf8 = utf8;
  return item;
}

std::size_t MessageItem::PrefixLength(std::size_t n) const {
  // Nearly every row holds exactly the strings asked for: the whole block.
  if (n == strings_) return textsSize_;
  if (n > strings_) return npos;
  return PrefixOf(Block(), textsSize_, n);
}

std::string_view MessageItem::Text(std::size_t index) const {
  const char* p = Block();
  const char* const end = p + textsSize_;
  while (p < end) {
    const auto* nul = FindByte(p, static_cast<std::size_t>(end - p), '\0');
    if (!nul) break;
    if (index == 0) return std::string_view(p, static_cast<std::size_t>(nul - p));
    --index;
    p = nul + 1;
  }
  return {};
}

}  // namespace ploxen
