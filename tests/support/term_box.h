// The search-term combo box in memory: sorted, ignoring case for the order,
// keeping duplicates, as the platform's sorted combo box does.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "search/term_history.h"

namespace ploxen::test {

class TermBox : public SearchTermList {
 public:
  void Clear() override { items.clear(); }
  void Add(std::string_view term) override {
    auto lower = [](std::string t) {
      for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return t;
    };
    auto at = std::upper_bound(items.begin(), items.end(), std::string(term),
                               [&](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
    items.insert(at, std::string(term));
  }
  int Count() const override { return static_cast<int>(items.size()); }
  std::string Item(int index) const override { return items.at(static_cast<std::size_t>(index)); }
  void Delete(int index) override { items.erase(items.begin() + index); }
  void Select(int index) override { selections.push_back(index); }

  std::vector<std::string> items;
  std::vector<int> selections;
};

}  // namespace ploxen::test
