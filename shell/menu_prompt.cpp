#include "shell/menu_prompt.h"

namespace ploxen {

unsigned PromptIdForCommand(unsigned commandId) {
  if (commandId >= 0xF000 && commandId < 0xF1F0) return ((commandId - 0xF000) >> 4) + 0xEF00;
  return commandId;
}

unsigned MenuPromptTracker::OnMenuSelect(unsigned itemId, unsigned flags) {
  if (flags == kMenuClosedFlags) {
    tracked_ = kIdlePromptId;
    return kIdlePromptId;
  }
  if (itemId == 0 || (flags & kNoPromptFlags) != 0) {
    tracked_ = 0;
    return 0;
  }
  tracked_ = PromptIdForCommand(itemId);
  return 0;
}

bool MenuPromptTracker::OnEnterIdle(unsigned reason) const {
  return reason == kEnterIdleMenu && tracked_ != last_;
}

unsigned MenuPromptTracker::Shown(unsigned id) {
  const unsigned previous = last_;
  last_ = tracked_ = id;
  return previous;
}

std::string_view PromptText(std::string_view resourceString) {
  return resourceString.substr(0, resourceString.find('\n'));
}

std::string ToolTipText(std::string_view resourceString) {
  resourceString = resourceString.substr(0, kPromptStringMax);
  const std::size_t start = resourceString.find('\n');
  if (start == std::string_view::npos) return {};
  std::string_view tip = resourceString.substr(start + 1);
  tip = tip.substr(0, tip.find('\n'));
  return std::string(tip.substr(0, kToolTipMax));
}

MenuItemUpdate UpdateForMenuItem(unsigned itemId, unsigned firstSubItemId, bool handled) {
  constexpr unsigned kSubMenu = 0xFFFFFFFFu;
  if (itemId == 0) return MenuItemUpdate::kSkip;
  if (itemId == kSubMenu)
    return firstSubItemId == 0 || firstSubItemId == kSubMenu ? MenuItemUpdate::kSkip : MenuItemUpdate::kUpdate;
  if (handled) return MenuItemUpdate::kEnable;
  // The system keeps the state of its own commands (Restore greyed while restored).
  return itemId >= 0xF000 ? MenuItemUpdate::kUpdate : MenuItemUpdate::kDisable;
}

}  // namespace ploxen
