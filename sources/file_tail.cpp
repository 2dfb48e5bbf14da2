#include "sources/file_tail.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/find_byte.h"
#include "core/message_kind.h"
#include "core/text.h"

namespace ploxen {

namespace {
constexpr std::size_t kReadBytes = 64 * 1024;
constexpr std::string_view kMarkUtf16Le = "\xFF\xFE";
constexpr std::string_view kMarkUtf16Be = "\xFE\xFF";
constexpr std::uint64_t kMeanLineGuess = 80;  // before any line was read
constexpr std::size_t kSeenBytes = 32;

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }
bool CouldBecome(std::string_view bytes, std::string_view mark) {
  return bytes.size() < mark.size() && mark.substr(0, bytes.size()) == bytes;
}
bool Wide(TailEncoding e) { return e == TailEncoding::kUtf16Le || e == TailEncoding::kUtf16Be; }

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }
}  // namespace

TailEncoding EncodingOfStart(std::string_view bytes, std::size_t& markSize) {
  markSize = 0;
  if (StartsWith(bytes, kUtf8ByteOrderMark)) {
    markSize = kUtf8ByteOrderMark.size();
    return TailEncoding::kMarkedUtf8;
  }
  if (StartsWith(bytes, kMarkUtf16Le)) {
    markSize = 2;
    return TailEncoding::kUtf16Le;
  }
  if (StartsWith(bytes, kMarkUtf16Be)) {
    markSize = 2;
    return TailEncoding::kUtf16Be;
  }
  if (CouldBecome(bytes, kUtf8ByteOrderMark) || CouldBecome(bytes, kMarkUtf16Le) || CouldBecome(bytes, kMarkUtf16Be))
    return TailEncoding::kUndecided;
  return TailEncoding::kEightBit;
}

std::string FollowRefusedText(const std::string& name, TailOpen result, unsigned long error) {
  switch (result) {
    case TailOpen::kMissing:
      return "Die Datei " + Quoted(name) + " gibt es noch nicht. PLOXEN verfolgt sie, sobald es sie gibt.";
    case TailOpen::kFolder:
      return Quoted(name) + " ist ein Ordner und kann nicht verfolgt werden. Bitte eine Textdatei w\xE4hlen.";
    case TailOpen::kDevice:
      return Quoted(name) + " ist ein Ger\xE4t und keine Datei; es kann nicht verfolgt werden. Bitte eine Textdatei w\xE4hlen.";
    case TailOpen::kFailed:
      return "Die Datei " + Quoted(name) + " kann nicht gelesen werden (Fehler " + std::to_string(error) +
             "). PLOXEN versucht es weiter.";
    case TailOpen::kOpened: break;
  }
  return {};
}

void FollowedFileLines::Line(std::string_view text) {
  if (tail_.HasNotices()) AddNotices();
  Add(text, kLineKind);
}

void FollowedFileLines::AddNotices() {
  for (const std::string& notice : tail_.TakeNotices()) Add(notice, kNoticeKind);
}

void FollowedFileLines::Add(std::string_view text, MessageKind kind) {
  stamp_.StampColumns(text, time_, message_);
  batch_.Add(kind, kSourceFollowedFile, tail_.ShownName(), time_, message_);
}

FileTail::FileTail(TailFiles& files, std::string name, int lastLines)
    : files_(files), name_(std::move(name)), lastLines_(std::max(0, lastLines)), buffer_(kReadBytes) {
  const std::size_t slash = name_.find_last_of("\\/");
  shownName_ = Cp1252ToUtf8(slash == std::string::npos ? name_ : name_.substr(slash + 1));
}

std::vector<std::string> FileTail::TakeNotices() {
  std::vector<std::string> taken;
  taken.swap(notices_);
  return taken;
}

void FileTail::Tell(Trouble trouble, unsigned long error) {
  if (trouble == told_) return;
  told_ = trouble;
  TailOpen result = TailOpen::kFailed;
  switch (trouble) {
    case Trouble::kNone: return;
    case Trouble::kMissing: result = TailOpen::kMissing; break;
    case Trouble::kFolder: result = TailOpen::kFolder; break;
    case Trouble::kDevice: result = TailOpen::kDevice; break;
    case Trouble::kFailed: break;
  }
  notices_.push_back(Cp1252ToUtf8(FollowRefusedText(name_, result, error)));
}

void FileTail::Lose(std::uint64_t bytes, const char* why) {
  const std::uint64_t mean = linesRead_ ? std::max<std::uint64_t>(1, bytesRead_ / linesRead_) : kMeanLineGuess;
  const std::uint64_t lines = std::max<std::uint64_t>(1, bytes / mean);
  lostLines_ += lines;
  char text[200];
  std::snprintf(text, sizeof text, " %s, bevor %llu Bytes gelesen waren: etwa %llu Zeilen gingen verloren.", why,
                static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(lines));
  notices_.push_back(Cp1252ToUtf8("Die Datei " + Quoted(name_) + text));
}

void FileTail::ResetText() {
  encoding_ = TailEncoding::kUndecided;
  line_.clear();
  passing_ = false;
  afterPartial_ = false;
  oddByte_.clear();
}

void FileTail::LookAtName(std::int64_t nowMs) {
  if (!firstLook_ && nowMs < nextNameLookMs_) return;
  nextNameLookMs_ = nowMs + kTailNameLookMs;
  const bool first = firstLook_;
  firstLook_ = false;
  TailFiles::Opened opened = files_.Open(name_);
  switch (opened.result) {
    case TailOpen::kOpened:
      if (file_) {
        // Made anew under the name: the old one is read to its end first.
        if (opened.file->Identity() != identity_)
          next_ = std::move(opened.file);
        else
          next_.reset();
        return;
      }
      if (hadFile_ && opened.file->Identity() == identity_) {
        // Back (a share again): on from where the reading stopped.
        file_ = std::move(opened.file);
        told_ = Trouble::kNone;
        return;
      }
      if (hadFile_ && knownSize_ > offset_) Lose(knownSize_ - offset_, "war nicht mehr lesbar");
      Adopt(std::move(opened.file), first);
      return;
    case TailOpen::kMissing:
      // Renamed away: the old file is read on, and the name waited for.
      if (!file_ && !hadFile_) Tell(Trouble::kMissing, 0);
      return;
    case TailOpen::kFolder:
      if (!file_) Tell(Trouble::kFolder, 0);
      return;
    case TailOpen::kDevice:
      if (!file_) Tell(Trouble::kDevice, 0);
      return;
    case TailOpen::kFailed:
      if (!file_) Tell(Trouble::kFailed, opened.error);
      return;
  }
}

void FileTail::Adopt(std::unique_ptr<TailFile> file, bool startAtEnd) {
  file_ = std::move(file);
  identity_ = file_->Identity();
  hadFile_ = true;
  told_ = Trouble::kNone;
  offset_ = 0;
  knownSize_ = 0;
  seen_.clear();
  ResetText();
  DecideEncoding();
  if (!startAtEnd) return;
  const std::uint64_t size = file_->Size().value_or(0);
  knownSize_ = size;
  offset_ = std::max(offset_, LastLinesStart(size));
}

void FileTail::DecideEncoding() {
  char start[3];
  std::size_t got = 0;
  while (got < sizeof start) {
    const auto n = file_->ReadAt(got, start + got, sizeof start - got);
    if (!n || *n == 0) break;
    got += *n;
  }
  std::size_t mark = 0;
  encoding_ = EncodingOfStart(std::string_view(start, got), mark);
  if (encoding_ != TailEncoding::kUndecided) offset_ = std::max<std::uint64_t>(offset_, mark);
}

// The start of the last lastLines_ lines. A line feed that ends the file ends
// the last line, not an empty one after it.
std::uint64_t FileTail::LastLinesStart(std::uint64_t size) {
  const std::uint64_t dataStart = offset_;
  if (size <= dataStart) return dataStart;
  if (lastLines_ == 0 || encoding_ == TailEncoding::kUndecided) return size;
  const std::uint64_t unit = Wide(encoding_) ? 2 : 1;
  const std::uint64_t end = dataStart + (size - dataStart) / unit * unit;
  std::uint64_t limit = end - std::min(end - dataStart, kTailBackScanMax);
  std::uint64_t pos = end;
  int found = 0;
  while (pos > limit) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), pos - limit));
    const std::uint64_t at = pos - n;
    std::size_t got = 0;
    while (got < n) {
      const auto r = file_->ReadAt(at + got, buffer_.data() + got, n - got);
      if (!r || *r == 0) return size;
      got += *r;
    }
    for (std::size_t i = n; i >= unit; i -= static_cast<std::size_t>(unit)) {
      const std::size_t k = i - static_cast<std::size_t>(unit);
      bool feed = false;
      switch (encoding_) {
        case TailEncoding::kUtf16Le: feed = buffer_[k] == '\n' && buffer_[k + 1] == 0; break;
        case TailEncoding::kUtf16Be: feed = buffer_[k] == 0 && buffer_[k + 1] == '\n'; break;
        default: feed = buffer_[k] == '\n'; break;
      }
      if (!feed) continue;
      const std::uint64_t after = at + k + unit;
      if (after == end) continue;
      if (++found == lastLines_) return after;
    }
    pos = at;
  }
  return limit;  // the start of the text, or inside a line too long to look back over
}

void FileTail::NoteSize() {
  if (!file_) return;
  if (const auto size = file_->Size()) knownSize_ = std::max(knownSize_, *size);
}

bool FileTail::StillAsSeen() {
  if (seen_.empty() || offset_ < seen_.size()) return true;
  char now[kSeenBytes];
  const std::uint64_t at = offset_ - seen_.size();
  std::size_t got = 0;
  while (got < seen_.size()) {
    const auto n = file_->ReadAt(at + got, now + got, seen_.size() - got);
    if (!n || *n == 0) return true;  // the size or the read says more on the next round
    got += *n;
  }
  return std::string_view(now, got) == seen_;
}

bool FileTail::Poll(std::int64_t nowMs, std::vector<std::string>& lines, std::size_t maxLines, std::size_t maxBytes) {
  struct Appended : TailLineSink {
    explicit Appended(std::vector<std::string>& to) : lines(to) {}
    void Line(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string>& lines;
  } appended(lines);
  return Poll(nowMs, appended, maxLines, maxBytes);
}

bool FileTail::Poll(std::int64_t nowMs, TailLineSink& lines, std::size_t maxLines, std::size_t maxBytes) {
  const std::uint64_t firstLine = linesRead_;
  LookAtName(nowMs);
  bool read = false;
  std::size_t budget = maxBytes;
  while (file_) {
    const auto size = file_->Size();
    if (!size) {
      // A share gone: the same file, when it comes back, is read on from here.
      file_.reset();
      Tell(Trouble::kFailed, 0);
      break;
    }
    if (*size < offset_ || (*size > offset_ && !StillAsSeen())) {
      // Truncated: what it held beyond the reading is gone; the rest of a
      // line already read was in the file and is shown.
      if (knownSize_ > offset_) Lose(knownSize_ - offset_, "wurde gek\xFCrzt");
      if (!line_.empty() && !passing_) EndLine(lines);
      offset_ = 0;
      knownSize_ = *size;
      seen_.clear();
      ResetText();
      DecideEncoding();
      continue;
    }
    knownSize_ = std::max(knownSize_, *size);
    if (encoding_ == TailEncoding::kUndecided) {
      DecideEncoding();
      if (encoding_ == TailEncoding::kUndecided) break;  // the mark is not whole yet
    }
    bool failed = false;
    while (offset_ < *size && linesRead_ - firstLine < maxLines && budget > 0) {
      const std::size_t n = static_cast<std::size_t>(
          std::min<std::uint64_t>({static_cast<std::uint64_t>(buffer_.size()), *size - offset_, budget}));
      const auto got = file_->ReadAt(offset_, buffer_.data(), n);
      if (!got) {
        failed = true;
        break;
      }
      if (*got == 0) break;
      offset_ += *got;
      budget -= std::min(budget, *got);
      bytesRead_ += *got;
      read = true;
      lastGrowthMs_ = nowMs;
      Feed(buffer_.data(), *got, lines);
      if (*got >= kSeenBytes) {
        seen_.assign(buffer_.data() + *got - kSeenBytes, kSeenBytes);
      } else {
        seen_.append(buffer_.data(), *got);
        if (seen_.size() > kSeenBytes) seen_.erase(0, seen_.size() - kSeenBytes);
      }
    }
    if (failed) {
      file_.reset();
      Tell(Trouble::kFailed, 0);
      break;
    }
    if (offset_ < *size) return true;  // more waits for the next round
    if (!next_) break;
    // The old file is read to its end: its last line is whole now.
    if (!line_.empty() && !passing_) EndLine(lines);
    Adopt(std::move(next_), false);
  }
  if (!read && !line_.empty() && !passing_ && nowMs - lastGrowthMs_ >= kTailPartialLineMs) {
    EndLine(lines);
    afterPartial_ = true;
  }
  return read;
}

void FileTail::Feed(const char* data, std::size_t size, TailLineSink& lines) {
  if (Wide(encoding_))
    FeedUtf16(data, size, lines);
  else
    FeedEightBit(data, size, lines);
}

void FileTail::FeedEightBit(const char* data, std::size_t size, TailLineSink& lines) {
  while (size > 0) {
    const char* feed = FindByte(data, size, '\n');
    const std::size_t piece = feed ? static_cast<std::size_t>(feed - data) : size;
    if (!passing_) {
      const std::size_t room = kTailLineBytesMax - line_.size();
      if (piece > room) {
        line_.append(data, room);
        line_.resize(WithoutCutSequence(line_).size());
        EndLine(lines);
        passing_ = true;
      } else {
        line_.append(data, piece);
      }
    }
    if (!feed) return;
    LineFeed(lines);
    data = feed + 1;
    size -= piece + 1;
  }
}

void FileTail::FeedUtf16(const char* data, std::size_t size, TailLineSink& lines) {
  const bool little = encoding_ == TailEncoding::kUtf16Le;
  auto unit = [&](char first, char second) {
    const bool feed = little ? (first == '\n' && second == 0) : (first == 0 && second == '\n');
    if (feed) {
      LineFeed(lines);
      return;
    }
    if (passing_) return;
    line_ += first;
    line_ += second;
    if (line_.size() >= kTailLineBytesMax) {
      EndLine(lines);
      passing_ = true;
    }
  };
  std::size_t i = 0;
  if (!oddByte_.empty() && size > 0) {
    unit(oddByte_[0], data[0]);
    oddByte_.clear();
    i = 1;
  }
  for (; i + 1 < size; i += 2) unit(data[i], data[i + 1]);
  if (i < size) oddByte_.assign(1, data[i]);
}

void FileTail::LineFeed(TailLineSink& lines) {
  const bool shown = afterPartial_;
  afterPartial_ = false;
  if (passing_) {
    passing_ = false;
    line_.clear();
    return;
  }
  const std::string_view cr = encoding_ == TailEncoding::kUtf16Le   ? std::string_view("\r\0", 2)
                              : encoding_ == TailEncoding::kUtf16Be ? std::string_view("\0\r", 2)
                                                                    : std::string_view("\r");
  if (shown && (line_.empty() || line_ == cr)) {
    line_.clear();
    return;
  }
  EndLine(lines);
}

void FileTail::EndLine(TailLineSink& lines) {
  std::string_view bytes = line_;
  if (Wide(encoding_)) {
    const bool little = encoding_ == TailEncoding::kUtf16Le;
    units_.clear();
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      const auto a = static_cast<unsigned char>(bytes[i]);
      const auto b = static_cast<unsigned char>(bytes[i + 1]);
      units_ += static_cast<char16_t>(little ? (a | (b << 8)) : ((a << 8) | b));
    }
    if (!units_.empty() && units_.back() == u'\r') units_.pop_back();
    converted_ = Utf16ToUtf8(units_);
    lines.Line(converted_);
  } else {
    if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    if (encoding_ == TailEncoding::kMarkedUtf8 && !IsValidUtf8(bytes)) {
      // After a mark the text is UTF-8: what is not becomes U+FFFD, as the roads do.
      converted_.clear();
      for (std::size_t at = 0; at < bytes.size();) AppendUtf8(converted_, NextCodePoint(bytes, at));
      lines.Line(converted_);
    } else if (encoding_ == TailEncoding::kMarkedUtf8) {
      lines.Line(bytes);
    } else {
      lines.Line(EightBitRowText(bytes, converted_));
    }
  }
  line_.clear();
  ++linesRead_;
}

}  // namespace ploxen
