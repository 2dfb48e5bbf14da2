#include "storage/settings.h"

#include <algorithm>
#include <utility>

#include "storage/view_rules_profile.h"

namespace ploxen {
namespace {

using namespace keys;

// How a key's text becomes its field.
enum class KeyKind {
  kNumber,    // any whole number
  kText,      // as written
  kSwitch,    // anything but 0 reads as 1
  kPort,      // 1-65535; anything else reads as the default
  kProtocol,  // TCP or UDP (ProtocolName); anything else reads as the default
  kCount,     // 0-100000; anything else reads as the default
};

// A field of the record by its path of members: Field<&Settings::intake,
// &IntakeSwitches::maxCount> is settings.intake.maxCount.
template <auto... path>
auto& Field(Settings& settings) {
  return (settings .* ... .* path);
}

// One profile key: where it lives, which field it fills and how. Its default
// is the field's in a default-made record.
struct SettingKey {
  std::string_view section;
  std::string_view key;
  KeyKind kind;
  int& (*number)(Settings&);        // number kinds
  std::string& (*text)(Settings&);  // text kinds
};

constexpr SettingKey Number(std::string_view section, std::string_view key, int& (*field)(Settings&),
                            KeyKind kind = KeyKind::kNumber) {
  return {section, key, kind, field, nullptr};
}
constexpr SettingKey Text(std::string_view section, std::string_view key, std::string& (*field)(Settings&),
                          KeyKind kind = KeyKind::kText) {
  return {section, key, kind, nullptr, field};
}

// Every key of the record, in the order they are written.
constexpr SettingKey kSettingKeys[] = {
    Number(kSectionPosition, kX0, Field<&Settings::position, &Placement::x0>),
    Number(kSectionPosition, kY0, Field<&Settings::position, &Placement::y0>),
    Number(kSectionPosition, kX1, Field<&Settings::position, &Placement::x1>),
    Number(kSectionPosition, kY1, Field<&Settings::position, &Placement::y1>),
    Number(kSectionPosition, kShow, Field<&Settings::position, &Placement::show>),
    Number(kSectionPosition, kTopmost, Field<&Settings::topmost>),

    Text(kSectionDatei, kSaveDatei, Field<&Settings::saveDatei>),

    Number(kSectionListbox, kMaxCount, Field<&Settings::intake, &IntakeSwitches::maxCount>),
    Number(kSectionListbox, kDestruktor, Field<&Settings::intake, &IntakeSwitches::destruktor>),
    Number(kSectionListbox, kKonstruktor, Field<&Settings::intake, &IntakeSwitches::konstruktor>),
    Number(kSectionListbox, kMeldungen, Field<&Settings::intake, &IntakeSwitches::meldungen>),
    Number(kSectionListbox, kStartEnde, Field<&Settings::intake, &IntakeSwitches::startEnde>),
    Number(kSectionListbox, kBTrace, Field<&Settings::intake, &IntakeSwitches::bTrace>),
    Number(kSectionListbox, kBDll, Field<&Settings::intake, &IntakeSwitches::bDll>),
    Number(kSectionListbox, kBException, Field<&Settings::intake, &IntakeSwitches::bException>),
    Number(kSectionListbox, kBThread, Field<&Settings::intake, &IntakeSwitches::bThread>),
    Number(kSectionListbox, kBProcess, Field<&Settings::intake, &IntakeSwitches::bProcess>),

    Number(kSectionAllgemein, kErsterAufruf, Field<&Settings::ersterAufruf>),
    // The user's choice, not whether the mailslot could be opened this time.
    Number(kSectionAllgemein, kFernDebug, Field<&Settings::fernDebug>),
    Number(kSectionAllgemein, kIntervall, Field<&Settings::intervall>),
    Text(kSectionAllgemein, kFontName, Field<&Settings::fontName>),
    Number(kSectionAllgemein, kFontSize, Field<&Settings::fontSize>),
    Number(kSectionAllgemein, kCaseSensitiv, Field<&Settings::caseSensitiv>),
    Number(kSectionAllgemein, kPloxen, Field<&Settings::intake, &IntakeSwitches::ploxen>),
    Number(kSectionAllgemein, kDbWin32, Field<&Settings::intake, &IntakeSwitches::dbWin32>),
    Number(kSectionAllgemein, kSystemWeit, Field<&Settings::intake, &IntakeSwitches::systemWeit>),
    Number(kSectionAllgemein, kFolgen, Field<&Settings::folgen>),
    // Any value but kLimitDropsOldest asks, as the program always did.
    Number(kSectionAllgemein, kGrenze, Field<&Settings::intake, &IntakeSwitches::grenze>),

    Number(kSectionNetz, kFernmeldungen, Field<&Settings::network, &NetworkSettings::fernmeldungen>, KeyKind::kSwitch),
    Number(kSectionNetz, kSyslog, Field<&Settings::network, &NetworkSettings::syslog>, KeyKind::kSwitch),
    Number(kSectionNetz, kFernPort, Field<&Settings::network, &NetworkSettings::fernPort>, KeyKind::kPort),
    Number(kSectionNetz, kSyslogPort, Field<&Settings::network, &NetworkSettings::syslogPort>, KeyKind::kPort),
    Text(kSectionNetz, kAbsender, Field<&Settings::network, &NetworkSettings::absender>),
    Number(kSectionNetz, kWeiterleiten, Field<&Settings::network, &NetworkSettings::weiterleiten>, KeyKind::kSwitch),
    Text(kSectionNetz, kZiel, Field<&Settings::network, &NetworkSettings::ziel>),
    Text(kSectionNetz, kZielProtokoll, Field<&Settings::network, &NetworkSettings::zielProtokoll>, KeyKind::kProtocol),

    Number(kSectionProtokoll, kProtokollEin, Field<&Settings::log, &LogSettings::ein>, KeyKind::kSwitch),
    Text(kSectionProtokoll, kProtokollDatei, Field<&Settings::log, &LogSettings::datei>),
    Number(kSectionProtokoll, kProtokollFormat, Field<&Settings::log, &LogSettings::format>, KeyKind::kSwitch),
    Number(kSectionProtokoll, kProtokollGroesse, Field<&Settings::log, &LogSettings::groesseMb>, KeyKind::kCount),
    Number(kSectionProtokoll, kProtokollTaeglich, Field<&Settings::log, &LogSettings::taeglich>, KeyKind::kSwitch),
    Number(kSectionProtokoll, kProtokollBehalten, Field<&Settings::log, &LogSettings::dateien>, KeyKind::kCount),
    Number(kSectionProtokoll, kProtokollPuffer, Field<&Settings::log, &LogSettings::pufferKb>, KeyKind::kCount),
};

bool IsNetz(const SettingKey& k) { return k.section == kSectionNetz; }

// The field keeps what it holds (its default) when the key is not there or
// its text is not of its kind.
void ReadKey(const Profile& profile, const SettingKey& k, Settings& settings) {
  if (k.text) {
    std::string& field = k.text(settings);
    std::string value = profile.GetString(k.section, k.key, field);
    if (k.kind != KeyKind::kProtocol) {
      field = std::move(value);
    } else if (const auto name = ProtocolName(value)) {
      field = std::string(*name);
    }
    return;
  }
  int& field = k.number(settings);
  const int value = profile.GetInt(k.section, k.key, field);
  if (k.kind == KeyKind::kSwitch)
    field = value != 0 ? 1 : 0;
  else if (k.kind == KeyKind::kPort ? value >= 1 && value <= 65535
           : k.kind == KeyKind::kCount ? value >= 0 && value <= kLogCountMax
                                       : true)
    field = value;
}

void WriteKey(Profile& profile, const SettingKey& k, Settings& settings) {
  if (k.text)
    profile.WriteString(k.section, k.key, k.text(settings));
  else
    profile.WriteInt(k.section, k.key, k.number(settings));
}

// A negative count is as good as none.
int StoredTermCount(const Profile& profile) {
  const int count = profile.GetInt(kSectionSuchen, kAnzahl, 0);
  return std::clamp(count, 0, kSearchTermCountMax);
}

std::string_view CutTerm(std::string_view term) { return CutToCharacters(term, kSearchTermMax); }

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
  s.position = DefaultPlacement(screenW, screenH);
  for (const SettingKey& k : kSettingKeys) ReadKey(profile, k, s);
  s.rules = ReadViewRules(profile);
  s.followedFiles = LoadFollowedFiles(profile);
  s.position = ReachablePlacement(s.position, screenW, screenH);
  return s;
}

void SaveSettings(Profile& profile, const Settings& settings, const Placement& fromWindow,
                  const std::vector<std::string>& comboItemsInOrder) {
  Settings saved = settings;
  saved.position = fromWindow;
  // The first-run notice has been offered once; never again for this profile.
  saved.ersterAufruf = 0;
  for (const SettingKey& k : kSettingKeys)
    if (!IsNetz(k)) WriteKey(profile, k, saved);

  const int old = StoredTermCount(profile);
  for (int i = 0; i < old; ++i) profile.DeleteKey(kSectionSuchen, SearchTermKey(i));
  WriteSearchTerms(profile, comboItemsInOrder);
}

NetworkSettings LoadNetworkSettings(const Profile& profile) {
  Settings s;
  for (const SettingKey& k : kSettingKeys)
    if (IsNetz(k)) ReadKey(profile, k, s);
  return s.network;
}

void SaveNetworkSettings(const NetworkSettings& settings, Profile& profile) {
  Settings s;
  s.network = settings;
  for (const SettingKey& k : kSettingKeys)
    if (IsNetz(k)) WriteKey(profile, k, s);
}

std::optional<std::string_view> ProtocolName(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.size() != 3) return std::nullopt;
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (upper == kProtocolTcp) return kProtocolTcp;
  if (upper == kProtocolUdp) return kProtocolUdp;
  return std::nullopt;
}

std::string SearchTermKey(int index) { return "STRING_" + std::to_string(index); }

std::vector<std::string> ReadSearchTerms(const Profile& profile) {
  std::vector<std::string> terms;
  const int count = StoredTermCount(profile);
  for (int i = 0; i < count; ++i) {
    const std::string term = ProfileText(profile.GetString(kSectionSuchen, SearchTermKey(i), ""));
    if (term.empty()) continue;
    terms.emplace_back(CutTerm(term));
  }
  return terms;
}

void WriteSearchTerms(Profile& profile, const std::vector<std::string>& terms) {
  const int count =
      static_cast<int>(std::min(terms.size(), static_cast<std::size_t>(kSearchTermCountMax)));
  profile.WriteInt(kSectionSuchen, kAnzahl, count);
  for (int i = 0; i < count; ++i) {
    profile.WriteString(kSectionSuchen, SearchTermKey(i), ProfileBytes(CutTerm(terms[i])));
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

std::string FollowedFileKey(int index) { return "DATEI" + std::to_string(index + 1); }

namespace {
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}
}  // namespace

bool AddFollowedFile(FollowedFilesSettings& settings, const std::string& name) {
  if (name.empty() || static_cast<int>(settings.dateien.size()) >= kFollowedFilesMax) return false;
  for (const std::string& held : settings.dateien)
    if (SameName(held, name)) return false;
  settings.dateien.push_back(name);
  return true;
}

FollowedFilesSettings LoadFollowedFiles(const Profile& profile) {
  FollowedFilesSettings s;
  const int count = std::clamp(profile.GetInt(kSectionDateien, kAnzahl, 0), 0, kFollowedFilesMax);
  for (int i = 0; i < count; ++i) AddFollowedFile(s, profile.GetString(kSectionDateien, FollowedFileKey(i), ""));
  const int zeilen = profile.GetInt(kSectionDateien, kZeilen, s.zeilen);
  if (zeilen >= 0 && zeilen <= kLastLinesMax) s.zeilen = zeilen;
  return s;
}

void SaveFollowedFiles(const FollowedFilesSettings& settings, Profile& profile) {
  const int old = std::clamp(profile.GetInt(kSectionDateien, kAnzahl, 0), 0, kFollowedFilesMax);
  const int count = static_cast<int>(settings.dateien.size());
  for (int i = count; i < old; ++i) profile.DeleteKey(kSectionDateien, FollowedFileKey(i));
  profile.WriteInt(kSectionDateien, kAnzahl, count);
  for (int i = 0; i < count; ++i) profile.WriteString(kSectionDateien, FollowedFileKey(i), settings.dateien[i]);
  profile.WriteInt(kSectionDateien, kZeilen, settings.zeilen);
}

}  // namespace ploxen
