#include "core/intake.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/colours.h"
#include "core/line_prefix.h"

namespace ploxen {

bool CategoryShown(const IntakeSwitches& s, int category) {
  switch (category) {
    case kCategoryConstructor: return s.konstruktor != 0;
    case kCategoryDestructor: return s.destruktor != 0;
    case kCategoryGeneral: return s.meldungen != 0;
    case kCategoryProgram: return s.startEnde != 0;
    case kCategoryTrace: return s.bTrace != 0;
    case kCategoryDll: return s.bDll != 0;
    case kCategoryException: return s.bException != 0;
    case kCategoryThread: return s.bThread != 0;
    case kCategoryProcess: return s.bProcess != 0;
    default: return false;
  }
}

bool SourceAccepted(const IntakeSwitches& s, MessageSource source) {
  switch (source) {
    case kSourceRemark: return true;
    case kSourceSystem: return s.ploxen != 0;
    case kSourceDbWin32: return s.dbWin32 != 0;
    default: return false;
  }
}

MessageIntake::MessageIntake(const IntakeSwitches& switches, RowStore& rows, UserDialogs& dialogs)
    : switches_(switches), rows_(rows), dialogs_(dialogs) {
  message_.reserve(kMessageMax + 64);
}

void MessageIntake::AddMessage(MessageKind kind, const char* text, MessageSource source) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (running_) {
    if (text) held_.push_back(HeldLine{kind, std::string(text), source});
    return;
  }
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(running_);

  Take(kind, text, source);
  while (!held_.empty()) {
    HeldLine line = std::move(held_.front());
    held_.pop_front();
    Take(line.kind, line.text.c_str(), line.source);
  }
}

void MessageIntake::Take(MessageKind kind, const char* text, MessageSource source) {
  if (CategoryShown(switches_, CategoryOf(kind)) && SourceAccepted(switches_, source) && text)
    Append(kind, text);
  rows_.UpdateListState();
}

void MessageIntake::Append(MessageKind kind, std::string_view text) {
  const int category = CategoryOf(kind);
  const Colour colour = MessageColour(kind);

  if (category == kCategoryDestructor && text.find(kSignalMarker) != std::string_view::npos)
    depth_ = std::max(0, depth_ - kIndentStep);
  const int indent = depth_;

  const LinePrefix prefix = SplitPrefix(text);
  const std::string_view fullMessage = text.substr(prefix.messageStart);
  std::string_view message = fullMessage.substr(0, kMessageMax);
  // Line ends go, but never the first character: a message of line breaks
  // alone still makes a row.
  while (message.size() > 1 && (message.back() == '\r' || message.back() == '\n'))
    message.remove_suffix(1);
  if (message.empty()) return;

  // A negative limit from a hand-edited profile would clear the list on
  // every line; it counts as no limit, like 0.
  if (switches_.maxCount > 0 && rows_.RowCount() >= switches_.maxCount) {
    if (dialogs_.AskYesNo(kRowLimitQuestion)) dialogs_.Save();
    ClearList();
  }

  message_.assign(static_cast<std::size_t>(indent), ' ');
  message_.append(message.data(), message.size());
  std::replace(message_.begin() + indent, message_.end(), '\n', ' ');

  const MessageItem::ColourList colours{kProcessColumnColours, kTimeColumnColours,
                                        ColourPair{colour, kMessageColumnBack}};
  const std::string_view strings[kColumnCount] = {prefix.process, prefix.time, message_};
  rows_.AppendRow(MessageItem::Make(kind, colours, strings, kColumnCount));

  // The marker is looked for in the whole message part, before the cut.
  if (category == kCategoryConstructor && fullMessage.find(kSignalMarker) != std::string_view::npos)
    depth_ += kIndentStep;
}

void MessageIntake::ClearList() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  rows_.DeleteAllRows();
  depth_ = 0;
  rows_.UpdateListState();
}

void MessageIntake::ResetIndentation() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  depth_ = 0;
}

int MessageIntake::IndentationDepth() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return depth_;
}

std::size_t MessageIntake::HeldLineCount() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return held_.size();
}

}  // namespace ploxen
