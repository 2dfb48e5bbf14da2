#include "net/connection_table.h"

#include <algorithm>

namespace ploxen {

std::optional<ConnectionTable::Id> ConnectionTable::Add(Id id, std::int64_t nowMs) {
  std::optional<Id> pushedOut;
  if (entries_.size() >= max_) {
    // Ties go to the one accepted first, which sits further front.
    const auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                         [](const Entry& a, const Entry& b) { return a.heardMs < b.heardMs; });
    pushedOut = oldest->id;
    entries_.erase(oldest);
  }
  entries_.push_back(Entry{id, nowMs});
  return pushedOut;
}

void ConnectionTable::Heard(Id id, std::int64_t nowMs) {
  for (Entry& entry : entries_)
    if (entry.id == id) entry.heardMs = nowMs;
}

void ConnectionTable::Remove(Id id) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; }),
                 entries_.end());
}

std::vector<ConnectionTable::Id> ConnectionTable::TakeSilent(std::int64_t nowMs) {
  std::vector<Id> silent;
  for (const Entry& entry : entries_)
    if (nowMs - entry.heardMs >= silentMs_) silent.push_back(entry.id);
  for (Id id : silent) Remove(id);
  return silent;
}

std::optional<std::int64_t> ConnectionTable::MsUntilSilent(std::int64_t nowMs) const {
  if (entries_.empty()) return std::nullopt;
  std::int64_t least = silentMs_;
  for (const Entry& entry : entries_) least = std::min(least, entry.heardMs + silentMs_ - nowMs);
  return std::max<std::int64_t>(least, 0);
}

bool ConnectionTable::Contains(Id id) const {
  return std::any_of(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; });
}

}  // namespace ploxen
