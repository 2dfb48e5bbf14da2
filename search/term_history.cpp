#include "search/term_history.h"

namespace ploxen {

void TermLeft(SearchTermList& box, std::string_view text, int& remembered) {
  if (text.size() > kSearchTermMax) text = text.substr(0, kSearchTermMax);
  if (!text.empty()) {
    for (int i = 0; i < box.Count(); ++i)
      if (box.Item(i) == text) return;
    box.Add(text);
    return;
  }
  if (remembered == -1) return;
  // An index that names no item any more deletes nothing.
  if (remembered < box.Count()) box.Delete(remembered);
  if (remembered > 0) --remembered;
  box.Select(remembered);
}

std::string NotFoundMessage(std::string_view format, std::string_view term) {
  const std::size_t at = format.find("%s");
  if (at == std::string_view::npos) return std::string(format);
  std::string text(format.substr(0, at));
  text.append(term.data(), term.size());
  text.append(format.substr(at + 2));
  return text;
}

}  // namespace ploxen
