// Colour table of the list. COLORREF order: 0x00BBGGRR.
#pragma once

#include <cstdint>

#include "core/message_kind.h"

namespace ploxen {

using Colour = std::uint32_t;

struct ColourPair {
  Colour text;  // foreground
  Colour back;  // background
};

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kDarkGreen = 0x008000;
constexpr Colour kRed = 0x0000FF;
constexpr Colour kMagenta = 0xFF00FF;
constexpr Colour kDarkBlue = 0x800000;
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kGrey = 0x808080;

// Fixed pairs of the process/thread and time columns; the message column is
// drawn on white in the colour of its kind.
constexpr ColourPair kProcessColumnColours{kBlack, 0xC0FFFF};  // light yellow
constexpr ColourPair kTimeColumnColours{kBlack, 0xFFFFC0};     // light cyan
constexpr Colour kMessageColumnBack = kWhite;

// Text colour of the message column for a kind.
Colour MessageColour(MessageKind kind);

}  // namespace ploxen
