// A profile held in memory, for tests and for code that needs a profile
// without a file. Values are kept as text, exactly as an INI file keeps them,
// so integers read back through the same parsing.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/profile.h"

namespace ploxen {

class MemoryProfile : public Profile {
 public:
  // One change of the profile, in the order it was made.
  struct Change {
    enum Kind { kWriteInt, kWriteString, kDelete };
    Kind kind;
    std::string section;
    std::string key;
    std::string value;  // empty for kDelete

    bool operator==(const Change& other) const {
      return kind == other.kind && section == other.section && key == other.key &&
             value == other.value;
    }
  };

  int GetInt(std::string_view section, std::string_view key, int fallback) const override {
    const std::string* text = Find(section, key);
    return text ? ParseProfileInt(*text, fallback) : fallback;
  }

  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view fallback) const override {
    const std::string* text = Find(section, key);
    return text ? *text : std::string(fallback);
  }

  void WriteInt(std::string_view section, std::string_view key, int value) override {
    Store(Change::kWriteInt, section, key, std::to_string(value));
  }

  void WriteString(std::string_view section, std::string_view key,
                   std::string_view value) override {
    Store(Change::kWriteString, section, key, std::string(value));
  }

  void DeleteKey(std::string_view section, std::string_view key) override {
    values_.erase(Key(section, key));
    changes_.push_back({Change::kDelete, std::string(section), std::string(key), {}});
  }

  bool Has(std::string_view section, std::string_view key) const {
    return Find(section, key) != nullptr;
  }
  // Every change since construction or the last ForgetChanges().
  const std::vector<Change>& Changes() const { return changes_; }
  void ForgetChanges() { changes_.clear(); }

 private:
  using KeyPair = std::pair<std::string, std::string>;

  static KeyPair Key(std::string_view section, std::string_view key) {
    return {std::string(section), std::string(key)};
  }

  const std::string* Find(std::string_view section, std::string_view key) const {
    auto it = values_.find(Key(section, key));
    return it == values_.end() ? nullptr : &it->second;
  }

  void Store(Change::Kind kind, std::string_view section, std::string_view key, std::string text) {
    values_[Key(section, key)] = text;
    changes_.push_back({kind, std::string(section), std::string(key), std::move(text)});
  }

  std::map<KeyPair, std::string> values_;
  std::vector<Change> changes_;
};

}  // namespace ploxen
