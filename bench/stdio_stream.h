// Plain C files as byte streams, for benchmarks on this machine.
#pragma once

#include <cstdio>
#include <string>

#include "storage/byte_stream.h"

namespace ploxen::bench {

class StdioSink : public ByteSink {
 public:
  explicit StdioSink(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {}
  ~StdioSink() override { Close(); }
  bool Write(const void* data, std::size_t size) override {
    ++calls_;
    return file_ && std::fwrite(data, 1, size, file_) == size;
  }
  bool Rewind() override {
    file_ = file_ ? std::freopen(path_.c_str(), "wb", file_) : nullptr;
    return file_ != nullptr;
  }
  const std::string& Error() const override { return error_; }
  bool Close() {
    if (!file_) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }
  std::size_t Calls() const { return calls_; }

 private:
  std::string path_;
  std::FILE* file_;
  std::string error_;
  std::size_t calls_ = 0;
};

class StdioSource : public ByteSource {
 public:
  explicit StdioSource(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_) {
      std::fseek(file_, 0, SEEK_END);
      remaining_ = static_cast<std::uint64_t>(std::ftell(file_));
      std::fseek(file_, 0, SEEK_SET);
    }
  }
  ~StdioSource() override {
    if (file_) std::fclose(file_);
  }
  std::size_t Read(void* data, std::size_t size) override {
    const std::size_t n = file_ ? std::fread(data, 1, size, file_) : 0;
    remaining_ -= n;
    return n;
  }
  std::uint64_t Remaining() const override { return remaining_; }
  const std::string& Error() const override { return error_; }

 private:
  std::FILE* file_;
  std::uint64_t remaining_ = 0;
  std::string error_;
};

}  // namespace ploxen::bench
