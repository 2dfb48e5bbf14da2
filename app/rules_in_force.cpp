#include "app/rules_in_force.h"

#include <string>

#include "app/message_box.h"

namespace ploxen {

void RulesInForce::Apply() {
  list_.SetRules(rules_);
  catchUp_.ShowCount();
}

void RulesInForce::Add(const ViewRule& rule, HWND owner) {
  if (rules_.size() >= kViewRuleMax) {
    Tell(owner, "Es sind bereits 64 Regeln vorhanden.", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  rules_.push_back(rule);
  Apply();
}

void RulesInForce::AllOff() {
  for (ViewRule& rule : rules_) rule.on = false;
  Apply();
}

void RulesInForce::TellSwitchedOff(const fw::Window& owner) {
  // A notice open already tells the rules switched off meanwhile after it.
  if (noticeOpen_) return;
  noticeOpen_ = true;
  // The window may go while a notice is open.
  for (std::string text; !(text = SwitchedOffNotice(model_.TakeSwitchedOff())).empty() && owner.hwnd();)
    Tell(owner.hwnd(), text, MB_OK | MB_ICONEXCLAMATION);
  noticeOpen_ = false;
}

}  // namespace ploxen
