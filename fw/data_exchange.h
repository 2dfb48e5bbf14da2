// Data exchange of a dialog or property page: one table ties each control to
// the field it shows and the rule its text must meet. Load fills every
// control from its field; Store reads them back in table order and stops at
// the first refusal, which the user is told in a box, with the focus put in
// the offending edit. Fields before it are stored, as the user typed them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/field_rules.h"
#include "fw/controls.h"

namespace fw {

class ExchangeTable {
 public:
  // A field's own rule for the text of its edit: the refusal the user
  // reads, or none when the text is accepted.
  using Rule = std::function<std::optional<std::string>(std::string_view text)>;

  // A check box and an on/off field: any non-zero field shows checked, and a
  // checked box stores 1.
  void Check(int id, int& field) { entries_.push_back({id, &field, {}, 0}); }
  // An edit and its text; maxChars 0 for no limit. The limit also keeps the
  // user from typing more.
  void Text(int id, std::string& field, std::size_t maxChars = 0) {
    entries_.push_back({id, &field, {}, maxChars});
  }
  // An edit holding a number without a sign, kept in an int field (as the
  // settings keep it); max at most INT32_MAX. A negative field shows as the
  // unsigned number it would be.
  void Unsigned(int id, int& field, unsigned min, unsigned max) {
    Unsigned(id, field, ploxen::NumberRule::Unsigned(min, max));
  }
  void Unsigned(int id, int& field, const ploxen::NumberRule& rule) {
    entries_.push_back({id, UnsignedField{&field}, rule, 0});
  }
  void Signed(int id, int& field) { entries_.push_back({id, IntField{&field}, ploxen::NumberRule::Signed(), 0}); }
  // An edit whose text the rule must accept before the field takes it.
  void Text(int id, std::string& field, std::size_t maxChars, Rule rule) {
    entries_.push_back({id, &field, {}, maxChars, std::move(rule)});
  }
  // An edit holding a whole number, which the rule accepts or refuses in
  // words of its own (a port, say, where a range would not say enough).
  void Number(int id, int& field, Rule rule) {
    entries_.push_back({id, IntField{&field}, ploxen::NumberRule::Signed(), 0, std::move(rule)});
  }
  // One radio button of a group that picks a text: checked while the field
  // holds value, and a checked button stores it. The value is a literal.
  void Radio(int id, std::string& field, std::string_view value) {
    entries_.push_back({id, Choice{&field, value}, {}, 0});
  }
  // The same for a field that holds a number.
  void Radio(int id, int& field, int value) { entries_.push_back({id, IntChoice{&field, value}, {}, 0}); }

  void Load(HWND dialog) const;
  // Only the control with that id.
  void LoadOne(HWND dialog, int id) const;
  bool Store(HWND dialog) const;

 private:
  struct IntField {
    int* field;
  };
  struct UnsignedField {
    int* field;
  };
  struct Choice {
    std::string* field;
    std::string_view value;
  };
  struct IntChoice {
    int* field;
    int value;
  };
  using Field = std::variant<int*, std::string*, UnsignedField, IntField, Choice, IntChoice>;
  struct Entry {
    int id;
    Field field;
    ploxen::NumberRule rule;
    std::size_t maxChars;
    Rule check = nullptr;  // asked before the number rule or the text is taken
  };
  void LoadEntry(HWND dialog, const Entry& entry) const;
  static void Refuse(HWND dialog, HWND control, const std::string& text);

  std::vector<Entry> entries_;
};

}  // namespace fw
