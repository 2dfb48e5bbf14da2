// UTF-8 checked sixteen bytes a step, where the processor has SSE2: by the
// validation (core/text) and by a block's copy into its row, which checks the
// bytes it moves anyway (core/message_item).
#pragma once

#include <cstddef>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>

namespace ploxen {

// Each byte is judged against the three before it: a byte is a continuation
// exactly where a lead byte before it asks for one, no byte is one no
// character has, and the second byte after E0, ED, F0 and F4 keeps to its
// narrower range. Text of other scripts is mostly multi-byte, where an
// automaton would take each byte in turn. The first step starts between
// characters.
class Utf8Steps {
 public:
  // The next sixteen bytes. False once something was found wrong; ASCII
  // steps do not look.
  bool Step(__m128i v) {
    if (_mm_movemask_epi8(v) == 0) {
      // ASCII needs no look at itself, only at whether the bytes before it
      // asked for more.
      error_ = _mm_or_si128(error_, _mm_subs_epu8(before_, LastLeads()));
      before_ = v;
      return true;
    }
    error_ = _mm_or_si128(error_, WrongIn(before_, v));
    before_ = v;
    return Clean();
  }
  // The last sixteen bytes of a text that ends inside a step, taken again
  // after the whole steps and judged only in their last `fresh` (1..15)
  // bytes; `prior` holds the sixteen before them.
  void Last(__m128i prior, __m128i last, std::size_t fresh) {
    static const unsigned char kFresh[32] = {0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                                             0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const __m128i judged = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kFresh + fresh));
    error_ = _mm_or_si128(error_, _mm_and_si128(WrongIn(prior, last), judged));
    before_ = last;
  }
  // After the last bytes: valid, and no character left unfinished.
  bool Valid() {
    error_ = _mm_or_si128(error_, _mm_subs_epu8(before_, LastLeads()));
    return Clean();
  }

 private:
  static __m128i Bytes(int b) { return _mm_set1_epi8(static_cast<char>(b)); }
  // Signed compares of bytes with their top bit flipped compare them unsigned.
  static __m128i Above(__m128i x, int b) { return _mm_cmpgt_epi8(_mm_xor_si128(x, Bytes(0x80)), Bytes(b ^ 0x80)); }
  static __m128i Below(__m128i x, int b) { return _mm_cmplt_epi8(_mm_xor_si128(x, Bytes(0x80)), Bytes(b ^ 0x80)); }
  // Above zero where a step's last bytes ask for more than the step holds.
  static __m128i LastLeads() {
    return _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xEF),
                         static_cast<char>(0xDF), static_cast<char>(0xBF));
  }
  // Above zero where a byte is wrong, given the sixteen before it.
  static __m128i WrongIn(__m128i before, __m128i v) {
    const __m128i back1 = _mm_or_si128(_mm_srli_si128(before, 15), _mm_slli_si128(v, 1));
    const __m128i back2 = _mm_or_si128(_mm_srli_si128(before, 14), _mm_slli_si128(v, 2));
    const __m128i back3 = _mm_or_si128(_mm_srli_si128(before, 13), _mm_slli_si128(v, 3));
    // Above zero where a lead byte one, two or three back asks for this one.
    const __m128i asked = _mm_or_si128(_mm_or_si128(_mm_subs_epu8(back1, Bytes(0xBF)), _mm_subs_epu8(back2, Bytes(0xDF))),
                                       _mm_subs_epu8(back3, Bytes(0xEF)));
    // Continuations, 80..BF, are the bytes below -64 read as signed.
    const __m128i notContinuation = _mm_cmpgt_epi8(v, Bytes(0xBF));
    __m128i wrong = _mm_xor_si128(_mm_cmpeq_epi8(asked, _mm_setzero_si128()), notContinuation);
    // C0 and C1 begin only overlong forms, F5 and above nothing.
    wrong = _mm_or_si128(wrong, _mm_cmpeq_epi8(_mm_and_si128(v, Bytes(0xFE)), Bytes(0xC0)));
    wrong = _mm_or_si128(wrong, _mm_subs_epu8(v, Bytes(0xF4)));
    // The narrower second bytes matter only after a lead of three or four.
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(back1, Bytes(0xDF)), _mm_setzero_si128())) != 0xFFFF) {
      auto after = [&](int lead) { return _mm_cmpeq_epi8(back1, Bytes(lead)); };
      wrong = _mm_or_si128(wrong, _mm_and_si128(after(0xE0), Below(v, 0xA0)));
      wrong = _mm_or_si128(wrong, _mm_and_si128(after(0xED), Above(v, 0x9F)));
      wrong = _mm_or_si128(wrong, _mm_and_si128(after(0xF0), Below(v, 0x90)));
      wrong = _mm_or_si128(wrong, _mm_and_si128(after(0xF4), Above(v, 0x8F)));
    }
    return wrong;
  }
  bool Clean() const { return _mm_movemask_epi8(_mm_cmpeq_epi8(error_, _mm_setzero_si128())) == 0xFFFF; }

  __m128i before_ = _mm_setzero_si128();
  __m128i error_ = _mm_setzero_si128();
};

}  // namespace ploxen

#endif
