// The TCP connections a network listener keeps open: at most kMaxConnections
// at once (a new one pushes out the one silent longest) and none silent for
// kSilentMs. The caller owns the sockets and the clock; the table only
// decides which connection goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ploxen {

class ConnectionTable {
 public:
  using Id = std::uint64_t;
  static constexpr std::size_t kMaxConnections = 64;
  static constexpr std::int64_t kSilentMs = 10 * 60 * 1000;

  explicit ConnectionTable(std::size_t maxConnections = kMaxConnections, std::int64_t silentMs = kSilentMs)
      : max_(maxConnections == 0 ? 1 : maxConnections), silentMs_(silentMs) {}

  // A connection accepted at nowMs. When the table was full, the one silent
  // longest has left it and is returned for the caller to close.
  std::optional<Id> Add(Id id, std::int64_t nowMs);
  // Bytes came in on it.
  void Heard(Id id, std::int64_t nowMs);
  void Remove(Id id);
  // The connections silent for kSilentMs at nowMs; they have left the table.
  std::vector<Id> TakeSilent(std::int64_t nowMs);
  // How long a wait may last before the next connection falls silent; none
  // while the table is empty.
  std::optional<std::int64_t> MsUntilSilent(std::int64_t nowMs) const;
  std::size_t Size() const { return entries_.size(); }
  bool Contains(Id id) const;

 private:
  struct Entry {
    Id id;
    std::int64_t heardMs;
  };
  std::size_t max_;
  std::int64_t silentMs_;
  std::vector<Entry> entries_;  // a few dozen: a scan is cheaper than an index
};

}  // namespace ploxen
