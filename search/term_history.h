// The search-term combo box as a history: what leaving it and picking from
// it do to its items, and the not-found message with the term put in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ploxen {

// A search term is at most this many characters, as many as the 100-byte
// buffers of old held.
constexpr std::size_t kSearchTermMax = 99;

// The search-term box of the main window: a sorted combo box, which places
// every added term itself.
class SearchTermList {
 public:
  virtual ~SearchTermList() = default;
  virtual void Clear() = 0;
  virtual void Add(std::string_view term) = 0;
  virtual int Count() const = 0;
  virtual std::string Item(int index) const = 0;
  virtual void Delete(int index) = 0;
  // Puts the item's text into the edit field; no selection-change handling.
  virtual void Select(int index) = 0;
};

// The focus left the box with text in its edit field. A new term (compared
// byte for byte, with case) joins the items; an empty field deletes the item
// last picked and selects its neighbour. remembered is the index of the item
// last picked, -1 for none.
void TermLeft(SearchTermList& box, std::string_view text, int& remembered);

// String 110 with the term in place of its "%s". The term is put in as it
// stands: a "%" in it is text, not a format.
std::string NotFoundMessage(std::string_view format, std::string_view term);

}  // namespace ploxen
