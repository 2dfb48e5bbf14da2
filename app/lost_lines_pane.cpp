#include "app/lost_lines_pane.h"

#include "fw/strings.h"
#include "net/lost_lines.h"
#include "res/resource.h"

namespace ploxen {

namespace {

constexpr UINT_PTR kTimerLostLines = 20;
constexpr UINT kLostLinesMs = 1000;
constexpr int kLostLinesPane = 2;

}  // namespace

void LostLinesPane::Start() {
  frame_.SetFittedPane(kLostLinesPane, LostLinesPaneText(LostLines{}));
  SetTimer(frame_.hwnd(), kTimerLostLines, kLostLinesMs, nullptr);
}

void LostLinesPane::Stop() {
  KillTimer(frame_.hwnd(), kTimerLostLines);
}

bool LostLinesPane::OnTimer(UINT_PTR id) {
  if (id != kTimerLostLines) return false;
  const bool logFailing = roads_.Log().Failing();
  if (logFailing != logFailing_) {
    logFailing_ = logFailing;
    frame_.SetPaneText(0, fw::String(logFailing ? IDS_LOG_FAILING : IDS_LOG_WRITING));
  }
  const LostLines lost = roads_.Lost();
  if (lost.Total() == shown_) return true;
  shown_ = lost.Total();
  frame_.SetFittedPane(kLostLinesPane, LostLinesPaneText(lost));
  return true;
}

std::optional<std::string> LostLinesPane::ToolTip(std::size_t pane) const {
  if (pane != static_cast<std::size_t>(kLostLinesPane)) return std::nullopt;
  return LostLinesToolTip(roads_.Lost());
}

}  // namespace ploxen
