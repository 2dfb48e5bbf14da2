// Vocabulary shared by every road into the list: kind codes, sources, and the
// mapping of a sender's message type to a kind.
#pragma once

#include <cstdint>

namespace ploxen {

// Low byte: category; second byte: level (colours category 3 only).
using MessageKind = std::int32_t;

// The road a line came by. Kept as a plain int: callers may pass anything and
// the entry point rejects what it does not know.
using MessageSource = int;

constexpr MessageSource kSourceRemark = 1;   // typed by the user
constexpr MessageSource kSourceSystem = 2;   // copy-data, mailslot, debug monitor, automation
constexpr MessageSource kSourceDbWin32 = 3;  // hidden "DBWin32" listener
constexpr MessageSource kSourceSystemWide = 4;  // every program's debug output, without a debugger
// A row some PLOXEN forwarded, come back by syslog (its application "PLOXEN"):
// shown as the network's other lines are, never forwarded again.
constexpr MessageSource kSourceForwardedRow = 5;
// A line appended to a text file the user follows ("Datei verfolgen").
constexpr MessageSource kSourceFollowedFile = 6;

constexpr int kCategoryConstructor = 1;
constexpr int kCategoryDestructor = 2;
constexpr int kCategoryGeneral = 3;
constexpr int kCategoryProgram = 4;
constexpr int kCategoryTrace = 100;
constexpr int kCategoryDll = 101;
constexpr int kCategoryException = 102;
constexpr int kCategoryThread = 103;
constexpr int kCategoryProcess = 104;

constexpr int CategoryOf(MessageKind kind) { return kind & 0xFF; }
// One of the nine categories the list can show, switched on or not.
constexpr bool KnownCategory(int category) {
  return (category >= kCategoryConstructor && category <= kCategoryProgram) ||
         (category >= kCategoryTrace && category <= kCategoryProcess);
}
constexpr int LevelOf(MessageKind kind) { return (kind >> 8) & 0xFF; }

// Message types as macro authors know them.
constexpr int kTypeDebug = 0;
constexpr int kTypeInfo = 1;
constexpr int kTypeWarning = 2;
constexpr int kTypeError = 3;

constexpr MessageKind KindFromType(int type) {
  switch (type) {
    case kTypeError: return 0x103;
    case kTypeWarning: return 0x203;
    case kTypeInfo: return 0x403;
    default: return 0x303;
  }
}

}  // namespace ploxen
