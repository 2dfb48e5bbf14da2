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

bool CaptureFile::Start(CaptureTarget& file) {
  const std::vector<unsigned char> header = Header(0);
  if (!file.WriteAt(0, header.data(), header.size()) || !file.CutAt(header.size())) return false;
  count_ = 0;
  size_ = header.size();
  return true;
}

// The format's own writer makes the records; only its header is left off.
// A row counts once its record is in the file and the header says so.
bool CaptureFile::Write(CaptureTarget& file) {
  if (rows_.empty()) return true;
  MemorySink sink;
  WriteBinaryFile(rows_, sink, BinaryVersionRule::kAlwaysUtf8);
  const std::vector<unsigned char>& bytes = sink.Bytes();
  const std::size_t records = bytes.size() - kHeaderSize;
  const std::uint32_t count = count_ + static_cast<std::uint32_t>(rows_.size());
  const std::vector<unsigned char> header = Header(count);
  if (file.WriteAt(size_, bytes.data() + kHeaderSize, records) && file.WriteAt(0, header.data(), header.size())) {
    count_ = count;
    size_ += records;
    intake_.ClearList();
    return true;
  }
  // The old header again, in case the write that failed was the header's.
  const std::vector<unsigned char> old = Header(count_);
  file.CutAt(size_);
  file.WriteAt(0, old.data(), old.size());
  if (rows_.size() > kWaitingMax) {
    givenUp_ += rows_.size();
    intake_.ClearList();
  }
  return false;
}

std::vector<unsigned char> CaptureFile::Header(std::uint32_t count) {
  std::vector<unsigned char> header(kHeaderSize);
  PutLittleEndian(header.data(), static_cast<std::uint32_t>(kBinaryFileVersionUtf8));
  PutLittleEndian(header.data() + 4, count);
  PutLittleEndian(header.data() + 8, kColumnCount);
  return header;
}

}  // namespace ploxen
