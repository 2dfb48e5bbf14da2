#include "fw/data_exchange.h"

namespace fw {

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
    Button(control).SetChecked(**on != 0);
  } else if (auto* text = std::get_if<std::string*>(&entry.field)) {
    Edit edit(control);
    if (entry.maxChars) edit.SetLimit(entry.maxChars);
    edit.SetText(**text);
  } else if (auto* number = std::get_if<UnsignedField>(&entry.field)) {
    Edit(control).SetText(std::to_string(static_cast<unsigned>(*number->field)));
  } else if (auto* choice = std::get_if<Choice>(&entry.field)) {
    Button(control).SetChecked(*choice->field == choice->value);
  } else if (auto* pick = std::get_if<IntChoice>(&entry.field)) {
    Button(control).SetChecked(*pick->field == pick->value);
  } else {
    Edit(control).SetText(std::to_string(*std::get<IntField>(entry.field).field));
  }
}

bool ExchangeTable::Store(HWND dialog) const {
  for (const Entry& entry : entries_) {
    HWND control = GetDlgItem(dialog, entry.id);
    if (!control) continue;
    if (auto* on = std::get_if<int*>(&entry.field)) {
      **on = Button(control).Checked() ? 1 : 0;
      continue;
    }
    if (auto* choice = std::get_if<Choice>(&entry.field)) {
      if (Button(control).Checked()) *choice->field = std::string(choice->value);
      continue;
    }
    if (auto* pick = std::get_if<IntChoice>(&entry.field)) {
      if (Button(control).Checked()) *pick->field = pick->value;
      continue;
    }
    const std::string text = Edit(control).Text();
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
    if (auto* number = std::get_if<UnsignedField>(&entry.field))
      *number->field = static_cast<int>(value);
    else
      *std::get<IntField>(entry.field).field = static_cast<int>(value);
  }
  return true;
}

void ExchangeTable::Refuse(HWND dialog, HWND control, const std::string& text) {
  ShowMessage(dialog, text, "PLOXEN", MB_OK | MB_ICONEXCLAMATION);
  Edit(control).FocusAll();
}

}  // namespace fw
