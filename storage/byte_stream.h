// What the file formats see of a file: bytes in, bytes out, and an error
// text when the file layer failed. Buffering lives here so that a format
// never makes one system call per field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ploxen {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all bytes or fails; after a failure Error() says why.
  virtual bool Write(const void* data, std::size_t size) = 0;
  // Back to the first byte: what is written next replaces all that was
  // written, and the data ends where the writing ends. A writer that finds
  // late that it must choose another form starts again so. False when the
  // sink failed; Error() says why.
  virtual bool Rewind() = 0;
  virtual const std::string& Error() const = 0;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to size bytes. Fewer only at the end of the data, or on a
  // failure of the file layer, after which Error() is not empty.
  virtual std::size_t Read(void* data, std::size_t size) = 0;
  // Bytes left before the end of the data.
  virtual std::uint64_t Remaining() const = 0;
  virtual const std::string& Error() const = 0;
};

// A file moves in pieces of this size. A system call costs microseconds
// under virtualisation: at 64 KB, reading a million rows spent a third of its
// time in them.
constexpr std::size_t kStreamBuffer = 1024 * 1024;

// The file format's integers: four bytes, least significant first.
inline void PutLittleEndian(unsigned char* out, std::uint32_t v) {
  out[0] = static_cast<unsigned char>(v);
  out[1] = static_cast<unsigned char>(v >> 8);
  out[2] = static_cast<unsigned char>(v >> 16);
  out[3] = static_cast<unsigned char>(v >> 24);
}

class BufferedSink : public ByteSink {
 public:
  explicit BufferedSink(ByteSink& out, std::size_t capacity = kStreamBuffer);
  ~BufferedSink() override;  // does not flush: a caller that wants the bytes calls Flush
  bool Write(const void* data, std::size_t size) override;
  // Within the first buffer the sink below is not asked: a writer that
  // starts again early costs it nothing.
  bool Rewind() override;
  bool WriteInt32(std::int32_t value) { return WriteUint32(static_cast<std::uint32_t>(value)); }
  // Inline: a writer calls it for every field, and the common case is room
  // for four more bytes.
  bool WriteUint32(std::uint32_t value) {
    if (buffer_.size() - used_ < 4 || failed_) return WriteUint32Slow(value);
    PutLittleEndian(buffer_.data() + used_, value);
    used_ += 4;
    return true;
  }
  bool Flush();
  const std::string& Error() const override { return out_.Error(); }

 private:
  bool WriteUint32Slow(std::uint32_t value);

  ByteSink& out_;
  std::vector<unsigned char> buffer_;
  std::size_t used_ = 0;
  bool failed_ = false;
  bool passedOn_ = false;  // bytes reached the sink below
};

inline std::uint32_t GetLittleEndian(const unsigned char* in) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

class BufferedSource : public ByteSource {
 public:
  explicit BufferedSource(ByteSource& in, std::size_t capacity = kStreamBuffer);
  std::size_t Read(void* data, std::size_t size) override;
  // False when fewer than four bytes were left. Inline: a reader calls them
  // for every field, and the common case is four bytes already buffered.
  bool ReadUint32(std::uint32_t& value) {
    if (filled_ - next_ >= 4) {
      value = GetLittleEndian(buffer_.data() + next_);
      next_ += 4;
      return true;
    }
    return ReadUint32Slow(value);
  }
  bool ReadInt32(std::int32_t& value) {
    std::uint32_t v = 0;
    if (!ReadUint32(v)) return false;
    value = static_cast<std::int32_t>(v);
    return true;
  }
  // The next size bytes, in one piece, without taking them; null when fewer
  // are left. The buffer grows for a record longer than it, but never for
  // bytes that the data does not have. The bytes stay valid until the next
  // call of any member.
  const unsigned char* Peek(std::size_t size) {
    if (filled_ - next_ >= size) return buffer_.data() + next_;
    return PeekSlow(size);
  }
  // Takes bytes that Peek has shown.
  void Skip(std::size_t size) { next_ += size; }
  std::uint64_t Remaining() const override { return in_.Remaining() + (filled_ - next_); }
  const std::string& Error() const override { return in_.Error(); }

 private:
  bool ReadUint32Slow(std::uint32_t& value);
  const unsigned char* PeekSlow(std::size_t size);

  ByteSource& in_;
  std::vector<unsigned char> buffer_;
  std::size_t next_ = 0;
  std::size_t filled_ = 0;
};

// In memory, for tests and for data that is already in memory.
class MemorySink : public ByteSink {
 public:
  bool Write(const void* data, std::size_t size) override;
  bool Rewind() override {
    bytes_.clear();
    return true;
  }
  const std::string& Error() const override { return error_; }
  const std::vector<unsigned char>& Bytes() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
  std::string error_;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  std::size_t Read(void* data, std::size_t size) override;
  std::uint64_t Remaining() const override { return size_ - next_; }
  const std::string& Error() const override { return error_; }

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t next_ = 0;
  std::string error_;
};

}  // namespace ploxen
