// The list's own file format: a dump of every row's item (strings, kind,
// colour pairs), little-endian. Version 1 holds the strings in code page
// 1252, version 2, the same layout, in UTF-8. The same bytes serve .bin and
// .log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/row_store.h"
#include "storage/byte_stream.h"

namespace ploxen {

constexpr std::int32_t kBinaryFileVersion1252 = 1;
constexpr std::int32_t kBinaryFileVersionUtf8 = 2;

enum class BinaryVersionRule {
  // Version 1 whenever every row fits code page 1252, so that every reader
  // of PLOXEN's files takes it; otherwise version 2.
  kCp1252WhenItFits,
  kAlwaysUtf8,
};

// Writes all rows in list order. The rows are looked at while they are
// written: the first that does not fit code page 1252 makes the writer
// start again as version 2 (ByteSink::Rewind), so a list that fits costs no
// pass of its own. False when the sink failed; its Error() says why. The
// caller closes the file.
bool WriteBinaryFile(const MessageRows& rows, ByteSink& out,
                     BinaryVersionRule rule = BinaryVersionRule::kCp1252WhenItFits);

struct BinaryReadResult {
  enum Status {
    kComplete,     // every row read
    kNotOurs,      // version neither 1 nor 2 (or not even four bytes): silently ignored
    kDamaged,      // stopped at a record that cannot be right; rows before it stay
    kFileError,    // the file layer failed; see the source's Error()
    kOutOfMemory,  // memory for the rows ran out; rows before it stay
  };
  Status status = kComplete;
  std::size_t rowsRead = 0;
  std::int32_t version = 0;  // once read
};

// Appends one row per record at the end of the list; never reads past the
// data and never appends an item with fewer strings than colour pairs. The
// rows' strings are UTF-8: version 1's are read as code page 1252, and in
// version 2 each sequence that is not UTF-8 (a damaged or foreign file)
// becomes U+FFFD. The store's std::bad_alloc ends the reading like damage,
// not as an exception.
BinaryReadResult ReadBinaryFile(ByteSource& in, RowStore& rows);

// What the user is told about a damaged file.
std::string DamagedFileMessage(const std::string& path, std::size_t rowsRead);

}  // namespace ploxen
