// The list's own file format: a dump of every row's item (strings, kind,
// colour pairs), little-endian, version 1. The same bytes serve .bin and .log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/row_store.h"
#include "storage/byte_stream.h"

namespace ploxen {

constexpr std::int32_t kBinaryFileVersion = 1;

// Writes all rows in list order. False when the sink failed; its Error()
// says why. The caller closes the file.
bool WriteBinaryFile(const MessageRows& rows, ByteSink& out);

struct BinaryReadResult {
  enum Status {
    kComplete,     // every row read
    kNotOurs,      // version is not 1 (or not even four bytes): silently ignored
    kDamaged,      // stopped at a record that cannot be right; rows before it stay
    kFileError,    // the file layer failed; see the source's Error()
    kOutOfMemory,  // memory for the rows ran out; rows before it stay
  };
  Status status = kComplete;
  std::size_t rowsRead = 0;
};

// Appends one row per record at the end of the list; never reads past the
// data and never appends an item with fewer strings than colour pairs. The
// store's std::bad_alloc ends the reading like damage, not as an exception.
BinaryReadResult ReadBinaryFile(ByteSource& in, RowStore& rows);

// What the user is told about a damaged file.
std::string DamagedFileMessage(const std::string& path, std::size_t rowsRead);

}  // namespace ploxen
