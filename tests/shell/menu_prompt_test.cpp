// Status-bar prompts while the user moves through the menus, and tool tips.
#include <gtest/gtest.h>

#include "shell/menu_prompt.h"

namespace ploxen::test {
namespace {

TEST(MenuPrompt, ClosingTheMenuShowsReadyAtOnce) {
  MenuPromptTracker t;
  t.OnMenuSelect(32771, 0);
  EXPECT_EQ(t.OnMenuSelect(0, kMenuClosedFlags), kIdlePromptId);
  EXPECT_EQ(t.Tracked(), kIdlePromptId);
}

TEST(MenuPrompt, HighlightedItemIsShownWhenTheMenuGoesIdle) {
  MenuPromptTracker t;
  EXPECT_EQ(t.OnMenuSelect(32, 0x0080 /* highlighted */), 0u);
  EXPECT_TRUE(t.OnEnterIdle(kEnterIdleMenu));
  EXPECT_FALSE(t.OnEnterIdle(1));  // idle for a dialog, not a menu
  EXPECT_EQ(t.Shown(t.Tracked()), 0u);
  EXPECT_EQ(t.Last(), 32u);
  EXPECT_FALSE(t.OnEnterIdle(kEnterIdleMenu));  // already shown
}

TEST(MenuPrompt, SeparatorsAndSubMenuTitlesClearTheTrackedPrompt) {
  for (unsigned flags : {0x0010u /* pop-up */, 0x0800u /* separator */, 0x0020u, 0x0040u}) {
    MenuPromptTracker t;
    t.OnMenuSelect(32, 0);
    t.Shown(t.Tracked());
    t.OnMenuSelect(5, flags);
    EXPECT_EQ(t.Tracked(), 0u) << flags;
  }
  MenuPromptTracker t;
  t.OnMenuSelect(0, 0);
  EXPECT_EQ(t.Tracked(), 0u);
}

TEST(MenuPrompt, ShowingRemembersTheIdAndReturnsThePrevious) {
  MenuPromptTracker t;
  EXPECT_EQ(t.Shown(16), 0u);
  EXPECT_EQ(t.Shown(0), 16u);
  EXPECT_EQ(t.Last(), 0u);
  EXPECT_EQ(t.Tracked(), 0u);
}

struct CommandCase {
  unsigned command;
  unsigned prompt;
};

class SystemCommandPromptTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(SystemCommandPromptTest, MapsToItsPromptString) {
  EXPECT_EQ(PromptIdForCommand(GetParam().command), GetParam().prompt);
  MenuPromptTracker t;
  t.OnMenuSelect(GetParam().command, 0);
  EXPECT_EQ(t.Tracked(), GetParam().prompt);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SystemCommandPromptTest,
    ::testing::Values(CommandCase{0xF000, 0xEF00},  // size
                      CommandCase{0xF010, 0xEF01},  // move
                      CommandCase{0xF060, 0xEF06},  // close
                      CommandCase{0xF120, 0xEF12},  // restore
                      CommandCase{0xF1E0, 0xEF1E}, CommandCase{0xF1EF, 0xEF1E},
                      CommandCase{0xF1F0, 0xF1F0},  // beyond the mapped range
                      CommandCase{0xEFFF, 0xEFFF}, CommandCase{16, 16}, CommandCase{32771, 32771}));

TEST(PromptText, IsTheTextBeforeTheFirstLineBreak) {
  EXPECT_EQ(PromptText("Aufruf des Parameterdialoges\nParameter"), "Aufruf des Parameterdialoges");
  EXPECT_EQ(PromptText("Bereit"), "Bereit");
  EXPECT_EQ(PromptText("\nnur Tipp"), "");
}

TEST(ToolTipText, IsTheSecondFieldAtMost80Characters) {
  EXPECT_EQ(ToolTipText("0\nAnzahl Zeilen"), "Anzahl Zeilen");
  EXPECT_EQ(ToolTipText("Programme beenden\nProgrammende"), "Programmende");
  EXPECT_EQ(ToolTipText("a\nb\nc"), "b");
  EXPECT_EQ(ToolTipText("Bereit"), "");
  EXPECT_EQ(ToolTipText("p\n" + std::string(200, 't')), std::string(80, 't'));
  // Only the first 256 characters of a string are loaded.
  EXPECT_EQ(ToolTipText(std::string(255, 'p') + "\ntip"), "");
}

TEST(MenuItemUpdate, HandledCommandsAreEnabledTheOthersDisabledButSystemCommands) {
  EXPECT_EQ(UpdateForMenuItem(32771, 0, true), MenuItemUpdate::kEnable);
  EXPECT_EQ(UpdateForMenuItem(40000, 0, false), MenuItemUpdate::kDisable);
  EXPECT_EQ(UpdateForMenuItem(0xEFFF, 0, false), MenuItemUpdate::kDisable);
  EXPECT_EQ(UpdateForMenuItem(0xF000, 0, false), MenuItemUpdate::kUpdate);
  EXPECT_EQ(UpdateForMenuItem(0xF120, 0, false), MenuItemUpdate::kUpdate) << "Restore keeps its state";
  EXPECT_EQ(UpdateForMenuItem(0xF060, 0, true), MenuItemUpdate::kEnable);
}

TEST(MenuItemUpdate, SeparatorsAreSkippedSubMenusUpdatedByTheirFirstItem) {
  EXPECT_EQ(UpdateForMenuItem(0, 0, false), MenuItemUpdate::kSkip);
  EXPECT_EQ(UpdateForMenuItem(0xFFFFFFFFu, 32, false), MenuItemUpdate::kUpdate) << "never disabled";
  EXPECT_EQ(UpdateForMenuItem(0xFFFFFFFFu, 0, true), MenuItemUpdate::kSkip);
  EXPECT_EQ(UpdateForMenuItem(0xFFFFFFFFu, 0xFFFFFFFFu, true), MenuItemUpdate::kSkip);
}

}  // namespace
}  // namespace ploxen::test
