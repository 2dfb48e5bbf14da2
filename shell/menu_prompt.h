// Which prompt the status bar shows while the user moves through menus, and
// how prompt and tool-tip texts are cut from a resource string
// ("prompt\ntool tip").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ploxen {

constexpr unsigned kIdlePromptId = 57345;  // "Bereit"
constexpr std::size_t kToolTipMax = 80;
constexpr std::size_t kPromptStringMax = 256;

// Menu-select flags that mean "nothing to describe": pop-up, separator,
// menu break, menu bar break.
constexpr unsigned kNoPromptFlags = 0x0870;
constexpr unsigned kMenuClosedFlags = 0xFFFF;
constexpr unsigned kEnterIdleMenu = 2;

// System commands 0xF000..0xF1EF have their prompts at 0xEF00 + index.
unsigned PromptIdForCommand(unsigned commandId);

class MenuPromptTracker {
 public:
  // The user highlighted an item or closed the menu. Returns the id whose
  // prompt must be shown at once (the idle prompt on close), or 0.
  unsigned OnMenuSelect(unsigned itemId, unsigned flags);
  // The menu loop went idle: true when the tracked id's prompt must be shown.
  bool OnEnterIdle(unsigned reason) const;
  // A prompt is being shown for id (id 0 leaves the text as it is, but is
  // remembered all the same). Returns the id shown before.
  unsigned Shown(unsigned id);

  unsigned Tracked() const { return tracked_; }
  unsigned Last() const { return last_; }

 private:
  unsigned tracked_ = 0;
  unsigned last_ = 0;
};

// What the command-update pass does with one item of a menu that opens.
enum class MenuItemUpdate { kSkip, kUpdate, kEnable, kDisable };
// itemId as the menu reports it (0 separator, -1 as unsigned a sub-menu,
// whose first item's id is firstSubItemId); handled: a handler exists.
// System commands are never disabled for want of a handler, nor enabled.
MenuItemUpdate UpdateForMenuItem(unsigned itemId, unsigned firstSubItemId, bool handled);

// The status-bar part: the text before the first line break.
std::string_view PromptText(std::string_view resourceString);
// The tool-tip part: the second line-break-separated field, at most 80 characters.
std::string ToolTipText(std::string_view resourceString);

}  // namespace ploxen
