#include "app/list_catch_up.h"

#include "fw/platform.h"
#include "search/view_rules.h"

namespace ploxen {

namespace {

constexpr UINT_PTR kTimerCatchUp = 10;
// A timer's tick comes only when no input or paint waits. The platform makes
// 1 ms at least 10.
constexpr UINT_PTR kTimerRefilter = 30;
constexpr int kCountPane = 1;
constexpr unsigned kLinesPerClockLook = 16;

}  // namespace

void ListCatchUp::LineTaken() {
  ++linesTaken_;
  if (model_.Behind()) {
    // The clock costs as much as taking a short line: in a burst it is read
    // every few lines, and the timer catches up for lines that come slower.
    if ((linesTaken_ & (kLinesPerClockLook - 1)) == 0 && pacer_.Due(fw::SteadyMs())) Now();
  } else if (model_.RowCount() != shownCount_) {
    ShowCount();
  }
}

void ListCatchUp::Behind() {
  if (!timer_ && frame_.hwnd())
    timer_ = SetTimer(frame_.hwnd(), kTimerCatchUp, static_cast<UINT>(CatchUpPacer::kMinIntervalMs), nullptr) != 0;
}

void ListCatchUp::Refilter() {
  if (frame_.hwnd()) SetTimer(frame_.hwnd(), kTimerRefilter, 1, nullptr);
}

void ListCatchUp::Now() {
  const double start = fw::SteadyMs();
  list_.CatchUp();
  ShowCount();
  const double end = fw::SteadyMs();
  pacer_.Done(end, end - start);
}

void ListCatchUp::ShowCount() {
  shownCount_ = model_.RowCount();
  if (!frame_.StatusBar()) return;
  std::string text = CountPaneText(model_.ShownCount(), static_cast<std::size_t>(shownCount_), model_.Filtering());
  if (text == paneText_) return;
  frame_.SetPaneText(kCountPane, text.c_str());
  paneText_ = std::move(text);
}

bool ListCatchUp::OnTimer(UINT_PTR id) {
  if (id == kTimerRefilter) {
    if (!list_.RefilterSlice()) KillTimer(frame_.hwnd(), kTimerRefilter);
    ShowCount();
    return true;
  }
  if (id != kTimerCatchUp) return false;
  CatchUpTick();
  return true;
}

void ListCatchUp::CatchUpTick() {
  // A quiet spell means the burst is over: show its rest at once. While
  // lines keep coming, the lines themselves catch up when it is time.
  if (model_.Behind() && (linesTaken_ == linesAtLastTick_ || pacer_.Due(fw::SteadyMs()))) Now();
  linesAtLastTick_ = linesTaken_;
  if (!model_.Behind()) {
    KillTimer(frame_.hwnd(), kTimerCatchUp);
    timer_ = false;
  }
}

}  // namespace ploxen
