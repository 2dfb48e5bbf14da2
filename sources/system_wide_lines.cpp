#include "sources/system_wide_lines.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/intake.h"
#include "core/text.h"

namespace ploxen {

namespace {
const std::string kUnknownProgram = "?";
}  // namespace

SectionMessage ReadSection(const unsigned char* section, std::size_t size) {
  SectionMessage message;
  if (!section || size < 4) return message;
  message.processId = static_cast<std::uint32_t>(section[0]) | (static_cast<std::uint32_t>(section[1]) << 8) |
                      (static_cast<std::uint32_t>(section[2]) << 16) | (static_cast<std::uint32_t>(section[3]) << 24);
  const char* text = reinterpret_cast<const char*>(section + 4);
  const std::size_t room = std::min(size - 4, kSectionTextMax);
  const void* nul = std::memchr(text, '\0', room);
  message.text = std::string_view(text, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : room);
  return message;
}

void LineJoiner::Emit(std::uint32_t processId, std::int64_t arrivalMs, std::string_view text,
                      std::vector<JoinedLine>& out) {
  while (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  out.push_back(JoinedLine{processId, arrivalMs, std::string(text)});
}

void LineJoiner::Add(std::uint32_t processId, std::int64_t arrivalMs, std::string_view piece,
                     std::vector<JoinedLine>& out) {
  auto waiting = pending_.find(processId);
  std::size_t start = 0;
  for (std::size_t feed = piece.find('\n'); feed != std::string_view::npos; feed = piece.find('\n', start)) {
    const std::string_view end = piece.substr(start, feed - start);
    if (waiting != pending_.end()) {
      waiting->second.text.append(end.data(), end.size());
      Emit(processId, arrivalMs, waiting->second.text, out);
      pending_.erase(waiting);
      waiting = pending_.end();
    } else {
      Emit(processId, arrivalMs, end, out);
    }
    start = feed + 1;
  }
  const std::string_view rest = piece.substr(start);
  if (rest.empty()) return;
  if (waiting == pending_.end()) waiting = pending_.emplace(processId, Piece{}).first;
  waiting->second.text.append(rest.data(), rest.size());
  waiting->second.lastMs = arrivalMs;
  if (waiting->second.text.size() >= kPendingMax) {
    Emit(processId, arrivalMs, waiting->second.text, out);
    pending_.erase(waiting);
  }
}

void LineJoiner::Flush(std::int64_t nowMs, std::vector<JoinedLine>& out) { FlushWaiting(nowMs, false, out); }

void LineJoiner::FlushAll(std::int64_t nowMs, std::vector<JoinedLine>& out) { FlushWaiting(nowMs, true, out); }

void LineJoiner::FlushWaiting(std::int64_t nowMs, bool all, std::vector<JoinedLine>& out) {
  std::vector<std::pair<std::int64_t, std::uint32_t>> due;
  for (const auto& [processId, piece] : pending_)
    if (all || nowMs - piece.lastMs >= kQuietMs) due.emplace_back(piece.lastMs, processId);
  std::sort(due.begin(), due.end());
  for (const auto& [lastMs, processId] : due) {
    const auto piece = pending_.find(processId);
    // Stamped when it was taken for a line, so that stamps keep their order.
    Emit(processId, std::max(nowMs, lastMs), piece->second.text, out);
    pending_.erase(piece);
  }
}

std::size_t LineJoiner::Drop() {
  const std::size_t dropped = pending_.size();
  pending_.clear();
  return dropped;
}

ProgramNames::~ProgramNames() { Clear(); }

void ProgramNames::Clear() {
  for (auto& [processId, entry] : entries_)
    if (entry.process) probe_.Close(entry.process);
  entries_.clear();
  ended_.clear();
}

const std::string& ProgramNames::Name(std::uint32_t processId, std::int64_t nowMs) {
  const auto [found, added] = entries_.try_emplace(processId);
  Entry& entry = found->second;
  if (entry.process) return entry.name;
  // Ended or never found: a process that has the id now is asked for its name
  // (another process may have got the id); none keeps the old name.
  if (entry.askNow || nowMs - entry.triedMs >= kRetryMs) {
    entry.askNow = false;
    entry.triedMs = nowMs;
    std::string name;
    if (const ProcessProbe::Handle process = probe_.Open(processId, name)) {
      entry.process = process;
      entry.name = name.empty() ? kUnknownProgram : name;
    } else if (added) {
      ended_.push_back(processId);
      Forget();
    }
  }
  return entry.name.empty() ? kUnknownProgram : entry.name;
}

void ProgramNames::Adopt(std::uint32_t processId, ProcessProbe::Handle process) {
  if (!process) return;
  const auto [found, added] = entries_.try_emplace(processId);
  Entry& entry = found->second;
  if (entry.process) {
    probe_.Close(process);
    return;
  }
  const std::string name = probe_.Name(process);
  entry.process = process;
  entry.name = name.empty() ? kUnknownProgram : name;
  entry.askNow = false;
  (void)added;
}

void ProgramNames::Sweep() {
  for (auto& [processId, entry] : entries_) {
    if (!entry.process || !probe_.Ended(entry.process)) continue;
    probe_.Close(entry.process);
    entry.process = 0;
    entry.askNow = true;
    ended_.push_back(processId);
  }
  Forget();
}

// Ended processes are kept to name their late lines, but not without end.
void ProgramNames::Forget() {
  while (ended_.size() > kEndedMax) {
    const auto found = entries_.find(ended_.front());
    if (found != entries_.end() && !found->second.process) entries_.erase(found);
    ended_.pop_front();
  }
}

std::size_t ProgramNames::Held() const {
  return static_cast<std::size_t>(
      std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return e.second.process != 0; }));
}

LineRecord SystemWideRecord(std::uint32_t processId, std::string_view program, std::string_view text,
                            LineStamp& stamp) {
  LineRecord record;
  record.kind = 0x303;
  record.source = kSourceSystemWide;
  char process[48];
  const int n = std::snprintf(process, sizeof process, "PID=%lu,TID=????", static_cast<unsigned long>(processId));
  record.process.assign(process, n > 0 ? static_cast<std::size_t>(n) : 0);
  // Each by the rule of its own: the name comes in the system's ANSI code
  // page, the text as the program wrote it.
  std::string convertedProgram;
  std::string convertedText;
  program = EightBitRowText(program, convertedProgram);
  text = EightBitRowText(text, convertedText);
  std::string message;
  message.reserve(program.size() + 3 + text.size());
  message += '[';
  message.append(program.data(), program.size());
  message += ']';
  if (!text.empty()) {
    message += ' ';
    message.append(text.data(), text.size());
  }
  stamp.StampColumns(message, record.time, record.message);
  return record;
}

LineRecord SystemWideNotice(std::string_view text, LineStamp& stamp) {
  LineRecord record;
  record.kind = 0x103;
  record.source = kSourceSystemWide;
  record.process = kPlaceholderProcess;
  stamp.StampColumns(text, record.time, record.message);
  return record;
}

std::string LostLinesText(std::uint64_t lost) {
  char text[160];
  if (lost == 1)
    std::snprintf(text, sizeof text, "1 Zeile der systemweiten Debug-Ausgaben ging verloren: der Zwischenspeicher war voll.");
  else
    std::snprintf(text, sizeof text, "%llu Zeilen der systemweiten Debug-Ausgaben gingen verloren: der Zwischenspeicher war voll.",
                  static_cast<unsigned long long>(lost));
  return text;
}

std::string CaptureRefusedText(CaptureBegun begun, unsigned long error) {
  switch (begun) {
    case CaptureBegun::kCapturing: return "";
    case CaptureBegun::kBusy: return kSystemWideBusy;
    case CaptureBegun::kDenied: return kSystemWideDenied;
    case CaptureBegun::kFailed: break;
  }
  char text[120];
  std::snprintf(text, sizeof text, "Die systemweiten Debug-Ausgaben k\xF6nnen nicht gelesen werden (Fehler %lu).", error);
  return text;
}

std::string SystemWideState(bool running, bool global, CaptureBegun lastStart) {
  if (running)
    return global ? "Systemweit gelesen: diese Sitzung und \"Global\\\" (Dienste)"
                  : "Systemweit gelesen: nur diese Sitzung";
  switch (lastStart) {
    case CaptureBegun::kCapturing: break;
    case CaptureBegun::kBusy: return "Systemweit: wird bereits von einem anderen Programm gelesen";
    case CaptureBegun::kDenied:
      return "Systemweit: wird bereits von einem anderen Programm gelesen, das den Zugriff verweigert";
    case CaptureBegun::kFailed: return "Systemweit: kann nicht gelesen werden";
  }
  return "";
}

std::string SystemWideState(bool running, bool global, bool busy) {
  return SystemWideState(running, global, busy ? CaptureBegun::kBusy : CaptureBegun::kCapturing);
}

std::int64_t WallClockOffset::Follow(std::int64_t readingMs) {
  const std::int64_t moved = readingMs - offsetMs_;
  if (!known_ || moved > kRoundingMs || moved < -kRoundingMs) offsetMs_ = readingMs;
  known_ = true;
  return offsetMs_;
}

std::string ConsoleLine(const TimeOfDay& time, std::uint32_t processId, std::string_view program,
                        std::string_view text) {
  char head[64];
  const int n = std::snprintf(head, sizeof head, "%02d:%02d:%02d.%03d  %5lu  ", time.hour, time.minute, time.second,
                              time.millisecond, static_cast<unsigned long>(processId));
  std::string line(head, n > 0 ? static_cast<std::size_t>(n) : 0);
  line.append(program.data(), program.size());
  line += "  ";
  line.append(text.data(), text.size());
  return line;
}

}  // namespace ploxen
