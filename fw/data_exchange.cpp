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
  } else {
    SetWindowTextA(control, std::to_string(*std::get<Number>(entry.field).field).c_str());
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
    const std::string text = ControlText(control);
    if (auto* field = std::get_if<std::string*>(&entry.field)) {
      if (entry.maxChars && text.size() > entry.maxChars) {
        Refuse(dialog, control, ploxen::LengthRefusal(entry.maxChars));
        return false;
      }
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
      *std::get<Number>(entry.field).field = static_cast<int>(value);
  }
  return true;
}

void ExchangeTable::Refuse(HWND dialog, HWND control, const std::string& text) {
  MessageBoxA(dialog, text.c_str(), "PLOXEN", MB_OK | MB_ICONEXCLAMATION);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  SendMessageA(control, EM_SETSEL, 0, -1);
}

}  // namespace fw
