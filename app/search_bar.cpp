#include "app/search_bar.h"

#include "app/message_box.h"
#include "core/text.h"
#include "fw/controls.h"
#include "fw/strings.h"
#include "res/resource.h"
#include "search/term_history.h"
#include "storage/settings.h"

namespace ploxen {

namespace {

// The sorted search-term combo box as the history's rules see it; its
// items are UTF-8.
class TermBox : public SearchTermList {
 public:
  explicit TermBox(HWND combo) : combo_(combo) {}
  void Clear() override { combo_.Clear(); }
  void Add(std::string_view term) override { combo_.AddUtf8(term); }
  int Count() const override { return combo_.Count(); }
  std::string Item(int index) const override { return combo_.Utf8ItemText(index); }
  void Delete(int index) override { combo_.Delete(index); }
  void Select(int index) override { combo_.Select(index); }

 private:
  fw::ComboBox combo_;
};

}  // namespace

void SearchBar::Load(HWND combo, const Profile& profile) {
  combo_ = combo;
  TermBox terms(combo_);
  LoadSearchHistory(profile, terms, rememberedTermIndex_);
}

void SearchBar::OnNotification(int code) {
  if (code == CBN_KILLFOCUS) {
    TermBox terms(combo_);
    TermLeft(terms, Term(), rememberedTermIndex_);
  }
  if (code == CBN_SELCHANGE) rememberedTermIndex_ = fw::ComboBox(combo_).Selected();
}

void SearchBar::Find(MessageListView& list, bool caseSensitive, HWND owner) const {
  const std::string term = Term();
  if (term.empty()) {
    Tell(owner, fw::String(IDS_NO_SEARCH_TERM), MB_OK);
    return;
  }
  if (list.FindNext(term, caseSensitive) == -1)
    TellUtf8(owner, NotFoundMessage(Cp1252ToUtf8(fw::String(IDS_TERM_NOT_FOUND)), term), MB_OK);
}

std::vector<std::string> SearchBar::Terms() const {
  const TermBox terms(combo_);
  return SearchTermItems(terms);
}

std::string SearchBar::Term() const {
  return std::string(CutToCharacters(fw::ComboBox(combo_).Utf8Text(), kSearchTermMax));
}

}  // namespace ploxen
