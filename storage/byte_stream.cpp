#include "storage/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace ploxen {

BufferedSink::BufferedSink(ByteSink& out, std::size_t capacity) : out_(out), buffer_(capacity) {}

BufferedSink::~BufferedSink() = default;

bool BufferedSink::Write(const void* data, std::size_t size) {
  if (failed_) return false;
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (used_ + size <= buffer_.size()) {
    if (size) std::memcpy(buffer_.data() + used_, bytes, size);
    used_ += size;
    return true;
  }
  if (!Flush()) return false;
  if (size >= buffer_.size()) {
    passedOn_ = true;
    failed_ = !out_.Write(bytes, size);
    return !failed_;
  }
  std::memcpy(buffer_.data(), bytes, size);
  used_ = size;
  return true;
}

bool BufferedSink::WriteUint32Slow(std::uint32_t value) {
  unsigned char bytes[4];
  PutLittleEndian(bytes, value);
  return Write(bytes, sizeof bytes);
}

bool BufferedSink::Flush() {
  if (failed_) return false;
  if (used_ == 0) return true;
  passedOn_ = true;
  failed_ = !out_.Write(buffer_.data(), used_);
  used_ = 0;
  return !failed_;
}

bool BufferedSink::Rewind() {
  used_ = 0;
  if (passedOn_) {
    failed_ = !out_.Rewind();
    if (failed_) return false;
    passedOn_ = false;
  }
  return !failed_;
}

BufferedSource::BufferedSource(ByteSource& in, std::size_t capacity) : in_(in), buffer_(capacity) {}

std::size_t BufferedSource::Read(void* data, std::size_t size) {
  auto* out = static_cast<unsigned char*>(data);
  std::size_t done = 0;
  while (done < size) {
    if (next_ == filled_) {
      // Large reads go straight through, past the buffer.
      if (size - done >= buffer_.size()) {
        const std::size_t n = in_.Read(out + done, size - done);
        done += n;
        break;
      }
      filled_ = in_.Read(buffer_.data(), buffer_.size());
      next_ = 0;
      if (filled_ == 0) break;
    }
    const std::size_t n = std::min(size - done, filled_ - next_);
    std::memcpy(out + done, buffer_.data() + next_, n);
    next_ += n;
    done += n;
  }
  return done;
}

bool BufferedSource::ReadUint32Slow(std::uint32_t& value) {
  unsigned char bytes[4];
  if (Read(bytes, sizeof bytes) != sizeof bytes) return false;
  value = GetLittleEndian(bytes);
  return true;
}

const unsigned char* BufferedSource::PeekSlow(std::size_t size) {
  // What is left moves to the front, and the rest of the buffer is filled behind it.
  const std::size_t kept = filled_ - next_;
  if (kept > 0 && next_ > 0) std::memmove(buffer_.data(), buffer_.data() + next_, kept);
  next_ = 0;
  filled_ = kept;
  if (size > buffer_.size()) {
    if (size - kept > in_.Remaining()) return nullptr;  // never grow for bytes the data does not have
    buffer_.resize(size);
  }
  while (filled_ < size) {
    const std::size_t n = in_.Read(buffer_.data() + filled_, buffer_.size() - filled_);
    if (n == 0) return nullptr;
    filled_ += n;
  }
  return buffer_.data();
}

bool MemorySink::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + size);
  return true;
}

std::size_t MemorySource::Read(void* data, std::size_t size) {
  const std::size_t n = std::min(size, size_ - next_);
  if (n) std::memcpy(data, data_ + next_, n);
  next_ += n;
  return n;
}

}  // namespace ploxen
