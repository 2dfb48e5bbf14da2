// The intake as the roads' fuzz targets hand it their lines: every row it
// appends must be valid UTF-8 (by the fuzz targets' own check) in every
// column and within the intake's cuts, counted in characters.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <string_view>

#include "core/intake.h"
#include "core/line_prefix.h"
#include "core/text.h"
#include "tests/fuzz/valid_utf8.h"

namespace ploxen::fuzz {

class CheckedIntake : private RowObserver, private UserDialogs {
 public:
  CheckedIntake() : intake_(switches_, rows_, *this) {
    switches_.maxCount = 0;
    switches_.bException = switches_.dbWin32 = switches_.systemWeit = 1;  // every road and kind shown
    intake_.ObserveRows(this);
  }

  MessageIntake& Intake() { return intake_; }
  std::size_t Rows() const { return appended_; }

 private:
  static void Check(bool ok) {
    if (!ok) std::abort();
  }

  void RowAppended(MessageKind, MessageSource, const std::string_view* strings, std::size_t count) override {
    Check(count == kColumnCount);
    for (std::size_t c = 0; c < count; ++c) Check(ValidUtf8(strings[c]) && strings[c].find('\0') == std::string_view::npos);
    Check(CharacterCount(strings[kColumnProcess]) <= kPrefixPartMax);
    Check(CharacterCount(strings[kColumnTime]) <= kPrefixPartMax);
    // The indentation of the CSignal traces comes before the cut message.
    const std::string_view message = strings[kColumnMessage];
    const std::size_t indent = std::min(message.find_first_not_of(' '), message.size());
    Check(indent <= static_cast<std::size_t>(kIndentShownMax) + kMessageMax);
    Check(!message.empty() && CharacterCount(message) <= static_cast<std::size_t>(kIndentShownMax) + kMessageMax);
    Check(CharacterCount(message.substr(std::min<std::size_t>(indent, kIndentShownMax))) <= kMessageMax);
    ++appended_;
  }
  bool AskYesNo(int) override { return false; }
  bool Save() override { return false; }

  IntakeSwitches switches_;
  MessageRows rows_;
  MessageIntake intake_;
  std::size_t appended_ = 0;
};

}  // namespace ploxen::fuzz
