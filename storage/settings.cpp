#include "storage/settings.h"

#include <algorithm>

namespace ploxen {
namespace {

using namespace keys;

// The nine category switches in the order they are read and written.
struct CategoryKey {
  std::string_view key;
  int IntakeSwitches::*field;
};
constexpr CategoryKey kCategoryKeys[] = {
    {kDestruktor, &IntakeSwitches::destruktor}, {kKonstruktor, &IntakeSwitches::konstruktor},
    {kMeldungen, &IntakeSwitches::meldungen},   {kStartEnde, &IntakeSwitches::startEnde},
    {kBTrace, &IntakeSwitches::bTrace},         {kBDll, &IntakeSwitches::bDll},
    {kBException, &IntakeSwitches::bException}, {kBThread, &IntakeSwitches::bThread},
    {kBProcess, &IntakeSwitches::bProcess},
};

// A negative count is as good as none.
int StoredTermCount(const Profile& profile) {
  const int count = profile.GetInt(kSectionSuchen, kAnzahl, 0);
  return std::clamp(count, 0, kSearchTermCountMax);
}

std::string_view CutTerm(std::string_view term) { return term.substr(0, kSearchTermMax); }

}  // namespace

Placement DefaultPlacement(int screenW, int screenH) {
  return {screenW - 480, screenH - 150, screenW, screenH, 1};
}

Placement ReachablePlacement(Placement placement, int screenW, int screenH) {
  if (placement.x0 >= screenW - 50 || placement.y0 >= screenH - 50) {
    placement.x0 = screenW - 280;
    placement.y0 = screenH - 150;
    placement.x1 = screenW;
    placement.y1 = screenH;
  }
  return placement;
}

Settings LoadSettings(const Profile& profile, int screenW, int screenH) {
  Settings s;
  const Placement d = DefaultPlacement(screenW, screenH);
  s.position.x0 = profile.GetInt(kSectionPosition, kX0, d.x0);
  s.position.y0 = profile.GetInt(kSectionPosition, kY0, d.y0);
  s.position.x1 = profile.GetInt(kSectionPosition, kX1, d.x1);
  s.position.y1 = profile.GetInt(kSectionPosition, kY1, d.y1);
  s.position.show = profile.GetInt(kSectionPosition, kShow, d.show);
  s.topmost = profile.GetInt(kSectionPosition, kTopmost, s.topmost);

  s.saveDatei = profile.GetString(kSectionDatei, kSaveDatei, s.saveDatei);

  s.intake.maxCount = profile.GetInt(kSectionListbox, kMaxCount, s.intake.maxCount);
  for (const CategoryKey& c : kCategoryKeys) {
    s.intake.*c.field = profile.GetInt(kSectionListbox, c.key, s.intake.*c.field);
  }

  s.ersterAufruf = profile.GetInt(kSectionAllgemein, kErsterAufruf, s.ersterAufruf);
  s.fernDebug = profile.GetInt(kSectionAllgemein, kFernDebug, s.fernDebug);
  s.remoteActive = s.fernDebug;
  s.intervall = profile.GetInt(kSectionAllgemein, kIntervall, s.intervall);
  s.fontSize = profile.GetInt(kSectionAllgemein, kFontSize, s.fontSize);
  s.fontName = profile.GetString(kSectionAllgemein, kFontName, s.fontName);
  s.caseSensitiv = profile.GetInt(kSectionAllgemein, kCaseSensitiv, s.caseSensitiv);
  s.folgen = profile.GetInt(kSectionAllgemein, kFolgen, s.folgen);
  s.intake.ploxen = profile.GetInt(kSectionAllgemein, kPloxen, s.intake.ploxen);
  s.intake.dbWin32 = profile.GetInt(kSectionAllgemein, kDbWin32, s.intake.dbWin32);
  s.intake.systemWeit = profile.GetInt(kSectionAllgemein, kSystemWeit, s.intake.systemWeit);

  s.position = ReachablePlacement(s.position, screenW, screenH);
  return s;
}

void SaveSettings(Profile& profile, const Settings& settings, const Placement& fromWindow,
                  const std::vector<std::string>& comboItemsInOrder) {
  profile.WriteInt(kSectionPosition, kX0, fromWindow.x0);
  profile.WriteInt(kSectionPosition, kY0, fromWindow.y0);
  profile.WriteInt(kSectionPosition, kX1, fromWindow.x1);
  profile.WriteInt(kSectionPosition, kY1, fromWindow.y1);
  profile.WriteInt(kSectionPosition, kShow, fromWindow.show);
  profile.WriteInt(kSectionPosition, kTopmost, settings.topmost);

  profile.WriteString(kSectionDatei, kSaveDatei, settings.saveDatei);

  profile.WriteInt(kSectionListbox, kMaxCount, settings.intake.maxCount);
  for (const CategoryKey& c : kCategoryKeys) {
    profile.WriteInt(kSectionListbox, c.key, settings.intake.*c.field);
  }

  // The first-run notice has been offered once; never again for this profile.
  profile.WriteInt(kSectionAllgemein, kErsterAufruf, 0);
  // The user's choice, not whether the mailslot could be opened this time.
  profile.WriteInt(kSectionAllgemein, kFernDebug, settings.fernDebug);
  profile.WriteInt(kSectionAllgemein, kIntervall, settings.intervall);
  profile.WriteString(kSectionAllgemein, kFontName, settings.fontName);
  profile.WriteInt(kSectionAllgemein, kFontSize, settings.fontSize);
  profile.WriteInt(kSectionAllgemein, kCaseSensitiv, settings.caseSensitiv);
  profile.WriteInt(kSectionAllgemein, kPloxen, settings.intake.ploxen);
  profile.WriteInt(kSectionAllgemein, kDbWin32, settings.intake.dbWin32);
  profile.WriteInt(kSectionAllgemein, kSystemWeit, settings.intake.systemWeit);
  profile.WriteInt(kSectionAllgemein, kFolgen, settings.folgen);

  const int old = StoredTermCount(profile);
  for (int i = 0; i < old; ++i) profile.DeleteKey(kSectionSuchen, SearchTermKey(i));
  WriteSearchTerms(profile, comboItemsInOrder);
}

std::string SearchTermKey(int index) { return "STRING_" + std::to_string(index); }

std::vector<std::string> ReadSearchTerms(const Profile& profile) {
  std::vector<std::string> terms;
  const int count = StoredTermCount(profile);
  for (int i = 0; i < count; ++i) {
    std::string term = profile.GetString(kSectionSuchen, SearchTermKey(i), "");
    if (term.empty()) continue;
    if (term.size() > kSearchTermMax) term.resize(kSearchTermMax);
    terms.push_back(std::move(term));
  }
  return terms;
}

void WriteSearchTerms(Profile& profile, const std::vector<std::string>& terms) {
  const int count =
      static_cast<int>(std::min(terms.size(), static_cast<std::size_t>(kSearchTermCountMax)));
  profile.WriteInt(kSectionSuchen, kAnzahl, count);
  for (int i = 0; i < count; ++i) {
    profile.WriteString(kSectionSuchen, SearchTermKey(i), CutTerm(terms[i]));
  }
}

void LoadSearchHistory(const Profile& profile, SearchTermList& box, int& rememberedTermIndex) {
  box.Clear();
  for (const std::string& term : ReadSearchTerms(profile)) box.Add(term);
  // Even when every stored entry was empty: the history rules of the search
  // box cope with an index past its end.
  if (StoredTermCount(profile) != 0) {
    rememberedTermIndex = 0;
    box.Select(0);
  }
}

std::vector<std::string> SearchTermItems(const SearchTermList& box) {
  std::vector<std::string> items;
  const int count = box.Count();
  items.reserve(count > 0 ? static_cast<std::size_t>(count) : 0u);
  for (int i = 0; i < count; ++i) items.push_back(box.Item(i));
  return items;
}

std::string ProfilePath(std::string_view envPloxenIni, std::string_view appDataFolder) {
  constexpr std::string_view kFileName = "PLOXEN.INI";
  if (!envPloxenIni.empty()) return std::string(envPloxenIni);
  if (appDataFolder.empty()) return std::string(kFileName);
  std::string path(appDataFolder);
  if (path.back() != '\\' && path.back() != '/') path += '\\';
  path += "PLOXEN\\";
  path += kFileName;
  return path;
}

std::string ProfileFolder(std::string_view profilePath) {
  const std::size_t slash = profilePath.find_last_of("\\/");
  if (slash == std::string_view::npos) return {};
  return std::string(profilePath.substr(0, slash));
}

}  // namespace ploxen
