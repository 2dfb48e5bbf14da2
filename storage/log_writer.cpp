#include "storage/log_writer.h"

#include <algorithm>

#include "core/colours.h"
#include "core/row_store.h"
#include "storage/binary_file.h"

namespace ploxen {

namespace {
constexpr char kTextStart[] = "\xEF\xBB\xBF";  // UTF-8's byte order mark
constexpr std::size_t kPairs = kColumnCount;

void PutInt32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string BinaryHeader() {
  std::string header;
  PutInt32(header, static_cast<std::uint32_t>(kBinaryFileVersionUtf8));
  PutInt32(header, 0);
  PutInt32(header, kPairs);
  return header;
}
}  // namespace

LogWriter::LogWriter(LogFileLayer& files, std::string path, LogRotation rotation, LogFormat format,
                     std::size_t backlogMax)
    : files_(files), plan_(std::move(path), rotation), format_(format), backlogMax_(backlogMax) {}

LogWriter::~LogWriter() { Close(); }

void LogWriter::Add(MessageKind kind, const std::string_view* strings, std::size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t before = added_.bytes.size();
  Encode(kind, strings, count);
  const std::size_t size = added_.bytes.size() - before;
  if (backlog_.load(std::memory_order_relaxed) + size > backlogMax_) {
    added_.bytes.resize(before);
    lost_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  backlog_.fetch_add(size, std::memory_order_relaxed);
  waiting_.fetch_add(1, std::memory_order_relaxed);
  added_.ends.push_back(added_.bytes.size());
}

void LogWriter::Encode(MessageKind kind, const std::string_view* strings, std::size_t count) {
  std::string& out = added_.bytes;
  if (format_ == LogFormat::kText) {
    // A tab or a line end inside a column would break the line's columns:
    // it becomes a blank, as the list shows line feeds.
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) out.push_back('\t');
      const std::size_t at = out.size();
      out.append(strings[i].data(), strings[i].size());
      for (std::size_t c = at; c < out.size(); ++c)
        if (out[c] == '\t' || out[c] == '\r' || out[c] == '\n') out[c] = ' ';
    }
    out.append("\r\n");
    return;
  }
  // The binary file's record: the strings each ended by a zero (an empty
  // one for a column the row lacks), the kind, and a colour pair a column,
  // the ones the intake gives the row.
  std::size_t block = 0;
  for (std::size_t i = 0; i < kPairs; ++i) block += (i < count ? strings[i].size() : 0) + 1;
  for (std::size_t i = kPairs; i < count; ++i) block += strings[i].size() + 1;
  PutInt32(out, static_cast<std::uint32_t>(block));
  for (std::size_t i = 0; i < std::max(count, kPairs); ++i) {
    if (i < count) out.append(strings[i].data(), strings[i].size());
    out.push_back('\0');
  }
  PutInt32(out, static_cast<std::uint32_t>(kind));
  const ColourPair pairs[kPairs] = {kProcessColumnColours, kTimeColumnColours,
                                    ColourPair{MessageColour(kind), kMessageColumnBack}};
  for (const ColourPair& pair : pairs) {
    PutInt32(out, pair.text);
    PutInt32(out, pair.back);
  }
}

void LogWriter::Flush(const LogTime& now, std::uint64_t tickMs) {
  // Only buffers change hands under the lock: the intake's thread never
  // waits for a copy.
  taken_.Clear();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(added_, taken_);
  }
  if (unsent_.ends.empty()) {
    std::swap(unsent_, taken_);
  } else {
    const std::size_t base = unsent_.bytes.size();
    unsent_.bytes.append(taken_.bytes);
    for (std::size_t end : taken_.ends) unsent_.ends.push_back(base + end);
  }
  if (unsentAt_ == unsent_.ends.size()) return;
  if (failing_.load(std::memory_order_relaxed) && tickMs < retryAt_) return;
  if (!WriteOut(now)) {
    Fail(tickMs);
    // The rows written before the failure go from memory.
    if (unsentAt_ > 0) {
      const std::size_t written = unsent_.ends[unsentAt_ - 1];
      unsent_.bytes.erase(0, written);
      unsent_.ends.erase(unsent_.ends.begin(), unsent_.ends.begin() + static_cast<std::ptrdiff_t>(unsentAt_));
      for (std::size_t& end : unsent_.ends) end -= written;
      unsentAt_ = 0;
    }
    return;
  }
  failing_.store(false, std::memory_order_relaxed);
  unsent_.Clear();
  unsentAt_ = 0;
}

bool LogWriter::WriteOut(const LogTime& now) {
  const std::size_t rows = unsent_.ends.size();
  while (unsentAt_ < rows) {
    if (!open_ && !StartFile(now)) return false;
    const std::size_t from = unsentAt_ == 0 ? 0 : unsent_.ends[unsentAt_ - 1];
    std::size_t end = unsentAt_;
    std::uint64_t batch = 0;
    while (end < rows) {
      const std::uint64_t row = unsent_.ends[end] - (end == 0 ? 0 : unsent_.ends[end - 1]);
      if (plan_.NeedsNewFile(begun_, now, size_ + batch, header_, row)) break;
      if (batch > 0 && batch + row > kWriteMax) break;
      batch += row;
      ++end;
    }
    if (end == unsentAt_) {
      // The next row belongs in a new file.
      files_.Close();
      open_ = false;
      {
        std::lock_guard<std::mutex> lock(nameMutex_);
        current_.clear();
      }
      continue;
    }
    if (!files_.Append(unsent_.bytes.data() + from, static_cast<std::size_t>(batch))) return false;
    size_ += batch;
    fileRows_ += static_cast<std::uint32_t>(end - unsentAt_);
    waiting_.fetch_sub(end - unsentAt_, std::memory_order_relaxed);
    unsentAt_ = end;
    backlog_.fetch_sub(static_cast<std::size_t>(batch), std::memory_order_relaxed);
    if (format_ == LogFormat::kBinary) {
      // Only now the reader sees the rows: the count follows the records,
      // so a process killed between the two leaves a whole file.
      std::string count;
      PutInt32(count, fileRows_);
      if (!files_.WriteAt(4, count.data(), count.size())) return false;
    }
  }
  return true;
}

bool LogWriter::StartFile(const LogTime& now) {
  std::string path;
  std::vector<std::string> names;
  {
    std::lock_guard<std::mutex> lock(nameMutex_);
    path = current_;
  }
  const bool anew = path.empty();
  if (anew) {
    // A file that failed is taken up again; otherwise the next one begins.
    names = files_.Names(plan_.Folder());
    const std::string name = plan_.NextName(now, names);
    names.push_back(name);
    path = plan_.Folder() + name;
  }
  std::uint64_t size = 0;
  if (!files_.Open(path, size)) return false;
  open_ = true;
  if (anew) {
    std::lock_guard<std::mutex> lock(nameMutex_);
    current_ = path;
  }
  const std::string header = format_ == LogFormat::kText ? std::string(kTextStart) : BinaryHeader();
  if (anew || size == 0) {
    begun_ = now;
    fileRows_ = 0;
    if (size == 0 && !files_.Append(header.data(), header.size())) return false;
    size = header.size();
  }
  size_ = size;
  header_ = header.size();
  if (anew)
    for (const std::string& old : plan_.ToDelete(names)) files_.Remove(plan_.Folder() + old);
  return true;
}

void LogWriter::Fail(std::uint64_t tickMs) {
  if (open_) files_.Close();
  open_ = false;
  failing_.store(true, std::memory_order_relaxed);
  retryAt_ = tickMs + kRetryMs;
}

void LogWriter::Close() {
  if (open_) files_.Close();
  open_ = false;
  std::lock_guard<std::mutex> lock(nameMutex_);
  current_.clear();
}

std::string LogWriter::CurrentFile() const {
  std::lock_guard<std::mutex> lock(nameMutex_);
  return current_;
}

}  // namespace ploxen
