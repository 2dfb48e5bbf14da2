#include "fw/data_exchange.h"

namespace fw {

std::string ControlText(HWND control) {
  const int length = GetWindowTextLengthA(control);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(control, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

void ExchangeTable::Load(HWND dialog) const {
  for (const Entry& entry : entries_) LoadEntry(dialog, entry);
}

void ExchangeTable::LoadOne(HWND dialog, int id) const {
  for (const Entry& entry : entries_)
    if (entry.id == id) LoadEntry(dialog, entry);
}

void ExchangeTable::LoadEntry(HWND dialog, const Entry& entry) const {
  HWND control = GetDlgItem(dialog, entry.id);
  if (!control) return;
  if (auto* on = std::get_if<int*>(&entry.field)) {
    SendMessageA(control, BM_SETCHECK, **on ? BST_CHECKED : BST_UNCHECKED, 0);
  } else if (auto* text = std::get_if<std::string*>(&entry.field)) {
    if (entry.maxChars) SendMessageA(control, EM_SETLIMITTEXT, entry.maxChars, 0);
    SetWindowTextA(control, (*text)->c_str());
  } else if (auto* number = std::get_if<unsigned*>(&entry.field)) {
    SetWindowTextA(control, std::to_string(**number).c_str());
  } else if (auto* choice = std::get_if<Choice>(&entry.field)) {
    SendMessageA(control, BM_SETCHECK, *choice->field == choice->value ? BST_CHECKED : BST_UNCHECKED, 0);
  } else {
    SetWindowTextA(control, std::to_string(*std::get<IntField>(entry.field).field).c_str());
  }
}

bool ExchangeTable::Store(HWND dialog) const {
  for (const Entry& entry : entries_) {
    HWND control = GetDlgItem(dialog, entry.id);
    if (!control) continue;
    if (auto* on = std::get_if<int*>(&entry.field)) {
      **on = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
      continue;
    }
    if (auto* choice = std::get_if<Choice>(&entry.field)) {
      if (SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED) *choice->field = std::string(choice->value);
      continue;
    }
    const std::string text = ControlText(control);
    auto* field = std::get_if<std::string*>(&entry.field);
    std::optional<std::string> refusal;
    if (field && entry.maxChars && text.size() > entry.maxChars)
      refusal = ploxen::LengthRefusal(entry.maxChars);
    else if (entry.check)
      refusal = entry.check(text);
    if (refusal) {
      Refuse(dialog, control, *refusal);
      return false;
    }
    if (field) {
      **field = text;
      continue;
    }
    std::int64_t value = 0;
    const ploxen::NumberCheck check = ploxen::ReadNumber(text, entry.rule, value);
    if (check != ploxen::NumberCheck::kOk) {
      Refuse(dialog, control, ploxen::NumberRefusal(check, entry.rule));
      return false;
    }
    if (auto* number = std::get_if<unsigned*>(&entry.field))
      **number = static_cast<unsigned>(value);
    else
      *std::get<IntField>(entry.field).field = static_cast<int>(value);
  }
  return true;
}

void ExchangeTable::Refuse(HWND dialog, HWND control, const std::string& text) {
  MessageBoxA(dialog, text.c_str(), "PLOXEN", MB_OK | MB_ICONEXCLAMATION);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  SendMessageA(control, EM_SETSEL, 0, -1);
}

}  // namespace fw
