// The search-term combo box as a history: what leaving it and picking from
// it do to its items, and the not-found message with the term put in.
#pragma once

#include <string>
#include <string_view>

#include "storage/settings.h"

namespace ploxen {

// The focus left the box with text in its edit field. A new term (compared
// byte for byte, with case) joins the items; an empty field deletes the item
// last picked and selects its neighbour. remembered is the index of the item
// last picked, -1 for none.
void TermLeft(SearchTermList& box, std::string_view text, int& remembered);

// String 110 with the term in place of its "%s". The term is put in as it
// stands: a "%" in it is text, not a format.
std::string NotFoundMessage(std::string_view format, std::string_view term);

}  // namespace ploxen
