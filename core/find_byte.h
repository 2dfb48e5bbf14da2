// memchr sixteen bytes a step where the processor has SSE2. The C library
// under Wine looks at one byte at a time, and every line of a fast road is
// searched so for its line feeds and NULs several times.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace ploxen {

// The first `byte` of the size bytes at data, or nullptr.
inline const char* FindByte(const char* data, std::size_t size, char byte) {
#if defined(__SSE2__) || defined(_M_X64)
  if (size >= 16) {
    const __m128i wanted = _mm_set1_epi8(byte);
    const auto at = [&](std::size_t i) {
      return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)), wanted));
    };
    const auto first = [&](std::size_t i, int mask) {
      while ((mask & 1) == 0) {
        mask >>= 1;
        ++i;
      }
      return data + i;
    };
    std::size_t i = 0;
    // Long texts four steps at once, one test for the four.
    for (; i + 64 <= size; i += 64) {
      const auto load = [&](std::size_t k) {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + k)), wanted);
      };
      if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(load(0), load(16)), _mm_or_si128(load(32), load(48)))))
        break;
    }
    for (; i + 16 <= size; i += 16)
      if (const int mask = at(i)) return first(i, mask);
    // The last step overlaps the one before: those bytes held no match.
    if (i < size)
      if (const int mask = at(size - 16)) return first(size - 16, mask);
    return nullptr;
  }
  for (std::size_t i = 0; i < size; ++i)
    if (data[i] == byte) return data + i;
  return nullptr;
#else
  return static_cast<const char*>(std::memchr(data, byte, size));
#endif
}

// Where `byte` is first in text, or npos.
inline std::size_t FindByte(std::string_view text, char byte) {
  const char* found = FindByte(text.data(), text.size(), byte);
  return found ? static_cast<std::size_t>(found - text.data()) : std::string_view::npos;
}

}  // namespace ploxen
