#include "sources/capture_file.h"

#include "storage/binary_file.h"
#include "storage/byte_stream.h"

namespace ploxen {

namespace {
// Version, row count, and the colour pairs of every row: one per column.
constexpr std::size_t kHeaderSize = 12;

IntakeSwitches CaptureSwitches() {
  IntakeSwitches s;
  s.systemWeit = 1;
  s.maxCount = 0;  // the file has no row limit
  return s;
}
}  // namespace

CaptureFile::CaptureFile() : switches_(CaptureSwitches()), intake_(switches_, rows_, *this) {}

// The format's own writer makes the records; only its header is left off.
std::vector<unsigned char> CaptureFile::TakeRecords() {
  if (rows_.empty()) return {};
  MemorySink sink;
  WriteBinaryFile(rows_, sink);
  count_ += static_cast<std::uint32_t>(rows_.size());
  intake_.ClearList();
  return std::vector<unsigned char>(sink.Bytes().begin() + kHeaderSize, sink.Bytes().end());
}

std::vector<unsigned char> CaptureFile::Header(std::uint32_t count) {
  std::vector<unsigned char> header(kHeaderSize);
  PutLittleEndian(header.data(), static_cast<std::uint32_t>(kBinaryFileVersion));
  PutLittleEndian(header.data() + 4, count);
  PutLittleEndian(header.data() + 8, kColumnCount);
  return header;
}

}  // namespace ploxen
