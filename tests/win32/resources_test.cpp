// The resources compiled into PLOXEN.EXE: texts as the user reads them, the
// templates the program builds its windows from, menu, icon and version.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "res/resource.h"
#include "shell/layout.h"

namespace ploxen::test {
namespace {

std::string ProgramPath() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of("\\/") + 1) + "PLOXEN.EXE";
}

// Resources hold UTF-16; the program shows them through the A functions in
// code page 1252. A character outside that code page is a fault of its own.
std::string Cp1252(const wchar_t* text, int length) {
  if (length == 0) return {};
  std::string out(static_cast<size_t>(length) * 2, '\0');
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text, length, out.data(),
                                    static_cast<int>(out.size()), nullptr, &lossy);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return lossy ? "<not code page 1252: " + out + ">" : out;
}

// Predefined window classes as templates name them.
constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kComboBox = 0x85;

struct Control {
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  WORD classAtom = 0;
  std::string className;  // when not a predefined atom
  WORD titleOrdinal = 0;
  std::string title;
};

struct DialogTemplate {
  DWORD style = 0, exStyle = 0;
  int cx = 0, cy = 0;
  std::string caption, font;
  WORD pointSize = 0;
  std::vector<Control> controls;

  const Control* Find(DWORD id) const {
    for (const Control& c : controls)
      if (c.id == id) return &c;
    return nullptr;
  }
};

// Reads an extended dialog template (DLGTEMPLATEEX and DLGITEMTEMPLATEEX).
class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* data) : base_(data), p_(data) {}

  bool Read(DialogTemplate& out) {
    if (Word() != 1 || Word() != 0xFFFF) return false;
    Skip(4);  // help id
    out.exStyle = Dword();
    out.style = Dword();
    const WORD count = Word();
    Skip(4);  // x, y
    out.cx = static_cast<short>(Word());
    out.cy = static_cast<short>(Word());
    WORD ordinal = 0;
    NameOrOrdinal(ordinal);  // menu
    NameOrOrdinal(ordinal);  // class
    out.caption = Text();
    if (out.style & DS_SETFONT) {
      out.pointSize = Word();
      Skip(4);  // weight, italic, charset
      out.font = Text();
    }
    for (WORD i = 0; i < count; ++i) {
      Align();
      Control c;
      Skip(8);  // help id, extended style
      c.style = Dword();
      c.x = static_cast<short>(Word());
      c.y = static_cast<short>(Word());
      c.cx = static_cast<short>(Word());
      c.cy = static_cast<short>(Word());
      c.id = Dword();
      c.className = NameOrOrdinal(c.classAtom);
      c.title = NameOrOrdinal(c.titleOrdinal);
      Skip(Word());  // creation data
      out.controls.push_back(c);
    }
    return true;
  }

 private:
  WORD Word() { WORD w; std::memcpy(&w, p_, 2); p_ += 2; return w; }
  DWORD Dword() { DWORD d; std::memcpy(&d, p_, 4); p_ += 4; return d; }
  void Skip(size_t bytes) { p_ += bytes; }
  void Align() { p_ = base_ + ((p_ - base_ + 3) & ~3); }
  std::string Text() {
    std::vector<wchar_t> text;
    for (WORD w = Word(); w != 0; w = Word()) text.push_back(static_cast<wchar_t>(w));
    return Cp1252(text.data(), static_cast<int>(text.size()));
  }
  std::string NameOrOrdinal(WORD& ordinal) {
    WORD first;
    std::memcpy(&first, p_, 2);
    if (first == 0xFFFF) { p_ += 2; ordinal = Word(); return {}; }
    ordinal = 0;
    return Text();
  }

  const BYTE* base_;
  const BYTE* p_;
};

class Resources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load " << ProgramPath(); }

  static const BYTE* Data(WORD id, LPCSTR type, DWORD* size = nullptr) {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
    if (!found) return nullptr;
    if (size) *size = SizeofResource(module_, found);
    return static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
  }

  static DialogTemplate Dialog(WORD id) {
    DialogTemplate dialog;
    const BYTE* data = Data(id, MAKEINTRESOURCEA(5));  // RT_DIALOG
    EXPECT_NE(data, nullptr) << "dialog " << id;
    if (data) {
      EXPECT_TRUE(TemplateReader(data).Read(dialog)) << "dialog " << id << " is not DIALOGEX";
    }
    return dialog;
  }

  static HMODULE module_;
};
HMODULE Resources::module_ = nullptr;

TEST_F(Resources, StringsReadExactly) {
  const struct {
    UINT id;
    const char* text;
  } strings[] = {
      {IDS_ABOUT_ITEM, "Inf&o \xFC" "ber PLOXEN..."},
      {IDS_PARAMETER_ITEM, "Parameter..."},
      {IDS_ROW_LIMIT_REACHED,
       "Die maximal Anzahl der Listboxeintr\xE4" "ge ist erreicht.\nDer Listboxinhalt wird "
       "jetzt gel\xF6" "scht.\n\nWollen Sie den Listboxinhalt vorher in eine Datei speichern ?"},
      {IDS_FIRST_RUN_NOTICE,
       "Bitte beachten Sie im Systemmen\xFC den Eintrag 'Parameter...'.\n\nIn diesem "
       "Dialogfenster k\xF6nnen wichtige Programmeinstellungen vorgenommen werden.\n\nDas "
       "Dialogfenster wird nach dem Schlie\xDF" "en dieses Fensters angezeigt."},
      {IDS_FIRST_RUN_CAPTION, "Wichtiger Hinweis !"},
      {IDS_REMOTE_UNAVAILABLE, "Die Betriebsart 'Ferndebug'  ist nicht m\xF6glich."},
      {IDS_TERM_NOT_FOUND, "Eintrag: '%s' nicht gefunden"},
      {IDS_NO_SEARCH_TERM, "Kein Suchstring angegeben"},
      {IDS_OLE_INIT_FAILED,
       "Fehler bei der OLE-Initialisierung. \xDC" "berpr\xFC" "fen Sie, ob die OLE-Bibliotheken "
       "in der richtigen Version vorliegen."},
      {ID_INDICATOR_ROWS, "0\nAnzahl Zeilen"},
      {ID_INDICATOR_LOST, "\nVerlorene Zeilen"},
      {IDS_IDLE_PROMPT, "Bereit"},
      {IDM_OPEN,
       "Laden einer vorher gespeicherten bin\xE4ren Datei (*.bin)\nLaden einer bin\xE4ren Datei"},
      {IDM_PARAMETER, "Aufruf des Parameterdialoges\nParameter"},
      {IDM_EXIT, "Programme beenden\nProgrammende"},
      {IDM_ABOUT, "Programminformation\nInfo \xFC" "ber"},
      {IDM_SAVE_SHOWN, "Speichern nur der angezeigten Zeilen in eine Datei\nAngezeigte Zeilen speichern"},
      {IDM_FOLLOW, "Die neueste Zeile bleibt sichtbar, wenn Zeilen hinzukommen\nNeueste Zeile anzeigen"},
      {IDM_FILTER, "Bearbeiten der Filter- und Hervorhebungsregeln\nFilter"},
      {IDM_FILTERS_OFF, "Schaltet alle Filter- und Hervorhebungsregeln aus\nAlle Filter ausschalten"},
      {IDM_COPY_ROW, "Kopiert die ausgew\xE4hlte Zeile in die Zwischenablage\nZeile kopieren"},
      {IDM_COPY_SHOWN, "Kopiert alle angezeigten Zeilen in die Zwischenablage\nAlle angezeigten Zeilen kopieren"},
      {IDM_HIDE_PROCESS, "Blendet alle Zeilen dieses Prozesses aus\nProzess ausblenden"},
      {IDM_ONLY_PROCESS, "Zeigt nur die Zeilen dieses Prozesses an\nNur diesen Prozess anzeigen"},
      {IDM_HIGHLIGHT_TEXT, "Hebt Zeilen mit diesem Text farbig hervor\nText hervorheben"},
      {IDM_OPEN_LOG, "\xD6" "ffnet die Protokolldatei, in die gerade geschrieben wird\nProtokolldatei \xF6" "ffnen"},
  };
  for (const auto& s : strings) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module_, s.id, reinterpret_cast<LPWSTR>(&text), 0);
    EXPECT_EQ(Cp1252(text, length), s.text) << "string " << s.id;
  }
}

TEST_F(Resources, MainWindowTemplate) {
  const DialogTemplate d = Dialog(IDD_MAIN);
  EXPECT_EQ(d.cx, 402);
  EXPECT_EQ(d.cy, 121);
  EXPECT_EQ(d.font, "MS Sans Serif");
  EXPECT_EQ(d.pointSize, 8);
  const DWORD frame =
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE;
  EXPECT_EQ(d.style & frame, frame);
  EXPECT_TRUE(d.exStyle & WS_EX_APPWINDOW);

  // Tab order is template order; the list is added at run time.
  const struct {
    DWORD id;
    WORD classAtom;
    const char* title;
    DWORD kind;
  } row[] = {
      {IDC_CLOSE, kButton, "Schlie\xDF" "en", BS_PUSHBUTTON},
      {IDC_CLEAR, kButton, "Liste l\xF6schen", BS_PUSHBUTTON},
      {IDC_SAVE, kButton, "Speichern", BS_PUSHBUTTON},
      {IDC_SEARCH, kButton, "&Suchen", BS_DEFPUSHBUTTON},
      {IDC_SEARCH_TERM, kComboBox, "", CBS_DROPDOWN},
      {IDC_REMARK, kButton, "Bemerkung ...", BS_PUSHBUTTON},
  };
  ASSERT_EQ(d.controls.size(), std::size(row));
  for (size_t i = 0; i < std::size(row); ++i) {
    const Control& c = d.controls[i];
    SCOPED_TRACE("control " + std::to_string(row[i].id));
    EXPECT_EQ(c.id, row[i].id);
    EXPECT_EQ(c.classAtom, row[i].classAtom);
    EXPECT_EQ(c.title, row[i].title);
    // BS_TYPEMASK and the combo box's type bits are both the low nibble.
    EXPECT_EQ(c.style & 0xF, row[i].kind);
    EXPECT_TRUE(c.style & WS_VISIBLE);
    EXPECT_TRUE(c.style & WS_TABSTOP);
    EXPECT_LE(c.x + c.cx, d.cx);
    EXPECT_LE(c.y + std::min(c.cy, 14), d.cy);
    if (i > 0) {
      EXPECT_GE(c.x, d.controls[i - 1].x + d.controls[i - 1].cx) << "one row, left to right";
    }
  }
  EXPECT_EQ(d.Find(IDC_LIST), nullptr);

  const Control* combo = d.Find(IDC_SEARCH_TERM);
  ASSERT_NE(combo, nullptr);
  const DWORD comboStyle = CBS_SORT | CBS_AUTOHSCROLL | WS_VSCROLL;
  EXPECT_EQ(combo->style & comboStyle, comboStyle);
  EXPECT_GE(combo->cy, 60) << "drop-down height";
}

// Dialog base units of a template's font, computed the way the dialog
// manager does, so that no window (and no display) is needed.
SIZE BaseUnits(const DialogTemplate& d) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontA(-MulDiv(d.pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                           FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                           d.font.c_str());
  HGDIOBJ old = SelectObject(dc, font);
  SIZE letters{};
  GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

// The program places the row at fixed pixel positions and keeps the template
// sizes, so a control wider than its slot would cover its neighbour.
TEST_F(Resources, ButtonRowFitsItsRunTimePlaces) {
  const DialogTemplate d = Dialog(IDD_MAIN);
  const SIZE base = BaseUnits(d);
  ASSERT_GT(base.cx, 0);
  auto width = [&](DWORD id) {
    const Control* c = d.Find(id);
    return c ? MulDiv(c->cx, base.cx, 4) : 1 << 20;
  };
  const int combo = width(IDC_SEARCH_TERM);
  const MainLayout l = LayoutControls(MulDiv(d.cx, base.cx, 4), MulDiv(d.cy, base.cy, 8), combo, false);
  EXPECT_LE(l.close.x + width(IDC_CLOSE), l.clear.x);
  EXPECT_LE(l.clear.x + width(IDC_CLEAR), l.save.x);
  EXPECT_LE(l.save.x + width(IDC_SAVE), l.search.x);
  EXPECT_LE(l.search.x + width(IDC_SEARCH), l.combo.x);
  EXPECT_LE(l.remark.x + width(IDC_REMARK), MulDiv(d.cx, base.cx, 4)) << "at the template's own size";
}

// The parameter pages and the help window: size, title, and each control
// with an id where the program finds it.
TEST_F(Resources, ParameterTemplates) {
  constexpr DWORD kPage = WS_CHILD | WS_CAPTION;
  const struct {
    WORD id;
    int cx, cy;
    const char* title;
    DWORD style;
  } templates[] = {
      {IDD_PAGE_ALLG, 300, 158, "Allgemeine Daten", kPage}, {IDD_PAGE_MELD, 300, 150, "Meldungen", kPage},
      {IDD_PAGE_REMOTE, 300, 151, "Remote Debug", kPage},   {IDD_PAGE_EMAIL, 300, 150, "Email", kPage},
      {IDD_PAGE_SYSINFO, 300, 150, "Information", kPage},   {IDD_PAGE_VBA, 300, 150, "VBA", kPage},
      {IDD_PAGE_SUCHEN, 300, 150, "Suchen", kPage},         {IDD_HILFE, 258, 151, "Hilfefenster", WS_POPUP},
      {IDD_PAGE_FILTER, 300, 150, "Filter", kPage},         {IDD_RULE, 270, 140, "Filterregel", WS_POPUP},
      {IDD_PAGE_NETZ, 300, 150, "Netzwerk", kPage},         {IDD_PAGE_PROTOKOLL, 300, 150, "Protokoll", kPage},
  };
  for (const auto& t : templates) {
    const DialogTemplate d = Dialog(t.id);
    SCOPED_TRACE(t.title);
    EXPECT_EQ(d.cx, t.cx);
    EXPECT_EQ(d.cy, t.cy);
    EXPECT_EQ(d.caption, t.title);
    EXPECT_EQ(d.style & t.style, t.style);
    EXPECT_EQ(d.font, "MS Sans Serif");
    EXPECT_EQ(d.pointSize, 8);
    int frames = 0;
    for (const Control& c : d.controls)
      frames += (c.classAtom == kStatic || lstrcmpiA(c.className.c_str(), "Static") == 0) && (c.style & SS_TYPEMASK) == SS_GRAYFRAME &&
                (c.style & SS_SUNKEN);
    EXPECT_EQ(frames, t.id == IDD_HILFE || t.id == IDD_RULE ? 0 : 1) << "one sunken grey frame";
  }

  constexpr WORD kListBox = 0x83;
  const DWORD kMultiLine = ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY | WS_VSCROLL;
  const struct {
    WORD dialog;
    DWORD id;
    WORD classAtom;
    int x, y, cx, cy;
    const char* title;
    DWORD style;
  } controls[] = {
      {IDD_PAGE_ALLG, IDC_TOPMOST, kButton, 14, 13, 91, 10, "Immer im Vordergrund", BS_AUTOCHECKBOX},
      {IDD_PAGE_ALLG, IDC_SAVE_FILE, kEdit, 74, 26, 128, 14, "", ES_AUTOHSCROLL},
      {IDD_PAGE_ALLG, IDC_BROWSE_SAVE_FILE, kButton, 207, 26, 18, 14, "...", BS_PUSHBUTTON},
      {IDD_PAGE_ALLG, IDC_ROW_LIMIT, kEdit, 117, 43, 27, 14, "", ES_AUTOHSCROLL},
      {IDD_PAGE_ALLG, IDC_FONT_NAME, kEdit, 51, 68, 88, 14, "", ES_AUTOHSCROLL},
      {IDD_PAGE_ALLG, IDC_FONT_SIZE, kEdit, 51, 88, 25, 14, "", ES_AUTOHSCROLL},
      {IDD_PAGE_ALLG, IDC_CHOOSE_FONT, kButton, 89, 88, 50, 14, "Schrift...", BS_PUSHBUTTON},
      {IDD_PAGE_ALLG, IDC_SOURCE_PLOXEN, kButton, 26, 129, 45, 10, "PLOXEN", BS_AUTOCHECKBOX},
      {IDD_PAGE_ALLG, IDC_SOURCE_DBWIN32, kButton, 101, 129, 47, 10, "DBWin32", BS_AUTOCHECKBOX},
      {IDD_PAGE_ALLG, IDC_SOURCE_SYSTEMWEIT, kButton, 176, 129, 55, 10, "Systemweit", BS_AUTOCHECKBOX},
      {IDD_PAGE_ALLG, IDC_SYSTEMWEIT_STATE, kStatic, 152, 82, 136, 26, "", SS_LEFT},
      {IDD_PAGE_MELD, IDC_KONSTRUKTOR, kButton, 13, 13, 100, 10, "Klassen Konstruktor", BS_AUTOCHECKBOX},
      {IDD_PAGE_MELD, IDC_DESTRUKTOR, kButton, 155, 13, 83, 10, "Klassen Destruktor", BS_AUTOCHECKBOX},
      {IDD_PAGE_MELD, IDC_STARTENDE, kButton, 13, 25, 88, 10, "Programmstart /-ende", BS_AUTOCHECKBOX},
      {IDD_PAGE_MELD, IDC_MELDUNGEN, kButton, 155, 25, 88, 10, "allgemeine Meldungen", BS_AUTOCHECKBOX},
      {IDD_PAGE_MELD, IDC_B_TRACE, kButton, 13, 49, 88, 10, "Trace Ausgabe (*)", BS_AUTOCHECKBOX},
      {IDD_PAGE_MELD, IDC_B_DLL, kButton, 155, 49, 124, 10, "Laden und Entladen von DLL's (*)", BS_AUTOCHECKBOX},
      {IDD_PAGE_MELD, IDC_B_EXCEPTION, kButton, 13, 61, 97, 10, "Exception Meldungen (*)", BS_AUTOCHECKBOX},
      {IDD_PAGE_MELD, IDC_B_THREAD, kButton, 155, 61, 129, 10, "Erzeugen / L\xF6schen von Threads (*)", BS_AUTOCHECKBOX},
      {IDD_PAGE_MELD, IDC_B_PROCESS, kButton, 13, 73, 138, 10, "Erzeugen / L\xF6schen von Prozessen (*)", BS_AUTOCHECKBOX},
      {IDD_PAGE_REMOTE, IDC_REMOTE, kButton, 12, 13, 98, 10, "Remote Debug erlauben", BS_AUTOCHECKBOX},
      {IDD_PAGE_REMOTE, IDC_INTERVAL, kEdit, 179, 27, 30, 14, "", ES_AUTOHSCROLL},
      {IDD_PAGE_SYSINFO, IDC_COMPUTER_NAME, kEdit, 59, 13, 100, 14, "", ES_AUTOHSCROLL | ES_READONLY},
      {IDD_PAGE_SYSINFO, IDC_USER_NAME, kEdit, 202, 13, 87, 14, "", ES_AUTOHSCROLL | ES_READONLY},
      {IDD_PAGE_SYSINFO, IDC_OFFICIAL_HOST, kEdit, 59, 30, 100, 14, "", ES_AUTOHSCROLL | ES_READONLY},
      {IDD_PAGE_SYSINFO, IDC_IP_ADDRESSES, kEdit, 59, 50, 100, 46, "", kMultiLine},
      {IDD_PAGE_VBA, IDC_GUIDE, kEdit, 7, 7, 286, 136, "", kMultiLine},
      {IDD_PAGE_SUCHEN, IDC_CASE_SENSITIVE, kButton, 13, 10, 178, 10, "Beim Suchen Gro\xDF- und Kleinschreibung beachten", BS_AUTOCHECKBOX},
      {IDD_PAGE_SUCHEN, IDC_TERMS, kListBox, 18, 34, 121, 106, "", LBS_SORT | LBS_NOTIFY | LBS_EXTENDEDSEL | WS_VSCROLL},
      {IDD_PAGE_SUCHEN, IDC_DELETE_TERMS, kButton, 143, 34, 50, 14, "L\xF6schen", BS_PUSHBUTTON},
      {IDD_HILFE, IDOK, kButton, 3, 134, 50, 14, "Schlie\xDF" "en", BS_DEFPUSHBUTTON},
      {IDD_PAGE_FILTER, IDC_RULE_NEW, kButton, 232, 13, 55, 14, "Neu ...", BS_PUSHBUTTON},
      {IDD_PAGE_FILTER, IDC_RULE_EDIT, kButton, 232, 31, 55, 14, "Bearbeiten ...", BS_PUSHBUTTON},
      {IDD_PAGE_FILTER, IDC_RULE_DELETE, kButton, 232, 49, 55, 14, "L\xF6schen", BS_PUSHBUTTON},
      {IDD_PAGE_FILTER, IDC_RULE_UP, kButton, 232, 73, 55, 14, "Nach oben", BS_PUSHBUTTON},
      {IDD_PAGE_FILTER, IDC_RULE_DOWN, kButton, 232, 91, 55, 14, "Nach unten", BS_PUSHBUTTON},
      {IDD_RULE, IDC_RULE_REGEX, kButton, 50, 40, 90, 10, "Regul\xE4rer Ausdruck", BS_AUTOCHECKBOX},
      {IDD_RULE, IDC_RULE_CASE, kButton, 50, 52, 150, 10, "Gro\xDF- und Kleinschreibung beachten", BS_AUTOCHECKBOX},
      {IDD_HILFE, IDC_HELP_TEXT, kEdit, 3, 3, 252, 127, "", kMultiLine | WS_BORDER},
  };
  for (const auto& row : controls) {
    const DialogTemplate d = Dialog(row.dialog);
    SCOPED_TRACE("dialog " + std::to_string(row.dialog) + ", control " + std::to_string(row.id));
    const Control* c = d.Find(row.id);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->classAtom, row.classAtom);
    EXPECT_EQ(std::vector<int>({c->x, c->y, c->cx, c->cy}), std::vector<int>({row.x, row.y, row.cx, row.cy}));
    EXPECT_EQ(c->title, row.title);
    if (row.classAtom == kButton)
      EXPECT_EQ(c->style & BS_TYPEMASK, row.style);
    else
      EXPECT_EQ(c->style & row.style, row.style);
  }
  EXPECT_FALSE(Dialog(IDD_PAGE_VBA).Find(IDC_GUIDE)->style & WS_TABSTOP);
  EXPECT_FALSE(Dialog(IDD_HILFE).Find(IDC_HELP_TEXT)->style & ES_WANTRETURN);
  // The two protocols are one group: arrow keys move between them, and the
  // group ends before the next control.
  const DialogTemplate netz = Dialog(IDD_PAGE_NETZ);
  EXPECT_TRUE(netz.Find(IDC_NET_TCP)->style & WS_GROUP);
  EXPECT_FALSE(netz.Find(IDC_NET_UDP)->style & WS_GROUP);
  for (std::size_t i = 0; i + 1 < netz.controls.size(); ++i)
    if (netz.controls[i].id == IDC_NET_UDP) EXPECT_TRUE(netz.controls[i + 1].style & WS_GROUP);
}

// A caption wider than its control is cut off on screen. Measured in the
// template's font as the dialog manager scales it; a check box's or radio
// button's box and gap take about 12 units.
TEST_F(Resources, ParameterCaptionsFitTheirControls) {
  for (WORD id : {IDD_PAGE_ALLG, IDD_PAGE_MELD, IDD_PAGE_REMOTE, IDD_PAGE_SYSINFO, IDD_PAGE_SUCHEN, IDD_HILFE,
                  IDD_PAGE_FILTER, IDD_RULE, IDD_PAGE_NETZ, IDD_PAGE_PROTOKOLL}) {
    const DialogTemplate d = Dialog(id);
    const SIZE base = BaseUnits(d);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(-MulDiv(d.pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                             FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, d.font.c_str());
    HGDIOBJ old = SelectObject(dc, font);
    for (const Control& c : d.controls) {
      if (c.title.empty() || (c.classAtom != kStatic && c.classAtom != kButton)) continue;
      const DWORD type = c.style & BS_TYPEMASK;
      const int box = c.classAtom == kButton && (type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON) ? 12 : 0;
      SIZE text{};
      GetTextExtentPoint32A(dc, c.title.c_str(), static_cast<int>(c.title.size()), &text);
      EXPECT_LE(text.cx, MulDiv(c.cx - box, base.cx, 4))
          << "dialog " << id << ": \"" << c.title << "\" needs " << MulDiv(text.cx, 4, base.cx) + box << " units";
    }
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
  }
}

TEST_F(Resources, AboutBoxTemplate) {
  const DialogTemplate d = Dialog(IDD_ABOUTBOX);
  EXPECT_EQ(d.caption, "Info \xFC" "ber PLOXEN");
  EXPECT_EQ(d.cx, 257);
  EXPECT_EQ(d.cy, 55);
  EXPECT_EQ(d.font, "MS Sans Serif");

  int icons = 0, texts = 0;
  bool versionLabel = false;
  for (const Control& c : d.controls) {
    if (c.classAtom != kStatic) continue;
    if ((c.style & SS_TYPEMASK) == SS_ICON) {
      ++icons;
      EXPECT_EQ(c.titleOrdinal, IDR_MAINFRAME);
    } else if (c.id != IDC_VERSION && !c.title.empty()) {
      ++texts;
      versionLabel |= c.title == "PLOXEN, Version";
    }
  }
  EXPECT_EQ(icons, 1);
  EXPECT_TRUE(versionLabel);
  EXPECT_EQ(texts, 2) << "the version label and one further line";

  const Control* version = d.Find(IDC_VERSION);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->classAtom, kStatic);
  EXPECT_EQ(version->title, "") << "filled in at run time";
  const Control* ok = d.Find(IDOK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
  EXPECT_EQ(ok->title, "OK");
}

TEST_F(Resources, RemarkDialogTemplate) {
  const DialogTemplate d = Dialog(IDD_REMARK);
  EXPECT_EQ(d.caption, "Bemerkung");
  EXPECT_EQ(d.cx, 270);
  EXPECT_EQ(d.cy, 42);
  EXPECT_EQ(d.font, "MS Sans Serif");

  const Control* edit = d.Find(IDC_REMARK_TEXT);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->classAtom, kEdit);
  EXPECT_EQ(edit->style & (ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | ES_MULTILINE),
            static_cast<DWORD>(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP));
  const Control* ok = d.Find(IDOK);
  const Control* cancel = d.Find(IDCANCEL);
  ASSERT_NE(ok, nullptr);
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(ok->title, "OK");
  EXPECT_EQ(ok->style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
  EXPECT_EQ(cancel->title, "Abbrechen");
  bool label = false;
  for (const Control& c : d.controls) label |= c.classAtom == kStatic && c.title == "Bemerkung";
  EXPECT_TRUE(label);
  for (const Control& c : d.controls) {
    EXPECT_LE(c.x + c.cx, d.cx) << "control " << c.id;
    EXPECT_LE(c.y + c.cy, d.cy) << "control " << c.id;
  }
}

// The main window's menus and the row menu, item by item (0: separator).
TEST_F(Resources, Menus) {
  auto text = [](HMENU m, UINT position) {
    wchar_t buffer[128];
    const int n = GetMenuStringW(m, position, buffer, 128, MF_BYPOSITION);
    return Cp1252(buffer, n);
  };
  struct Item {
    UINT id;
    const char* text;
  };
  struct Popup {
    WORD menu;
    int position;
    const char* title;
    std::vector<Item> items;
  };
  const Popup popups[] = {
      {IDR_MAINFRAME, 0, "Datei",
       {{IDM_OPEN, "\xD6" "ffnen ..."},
        {IDM_OPEN_LOG, "Protokolldatei \xF6" "ffnen"},
        {IDM_SAVE_SHOWN, "Angezeigte Zeilen speichern ..."},
        {IDM_FOLLOW_FILE, "Datei verfolgen ..."},
        {IDM_PARAMETER, "Parameter ..."},
        {0, ""},
        {IDM_EXIT, "Programm beenden"}}},
      {IDR_MAINFRAME, 1, "Ansicht",
       {{IDM_FOLLOW, "Neueste Zeile anzeigen"}, {IDM_FILTER, "Filter ..."}, {IDM_FILTERS_OFF, "Alle Filter ausschalten"}}},
      {IDR_ROW_MENU, 0, "Zeile",
       {{IDM_COPY_ROW, "Zeile kopieren\tStrg+C"},
        {IDM_COPY_SHOWN, "Alle angezeigten Zeilen kopieren"},
        {0, ""},
        {IDM_HIDE_PROCESS, "Prozess ausblenden"},
        {IDM_ONLY_PROCESS, "Nur diesen Prozess anzeigen"},
        {IDM_HIGHLIGHT_TEXT, "Text hervorheben ..."},
        {0, ""},
        {IDM_FILTERS_OFF, "Alle Filter ausschalten"}}},
  };
  for (const Popup& p : popups) {
    SCOPED_TRACE(p.title);
    HMENU menu = LoadMenuA(module_, MAKEINTRESOURCEA(p.menu));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), p.menu == IDR_MAINFRAME ? 2 : 1);
    EXPECT_EQ(text(menu, static_cast<UINT>(p.position)), p.title);
    HMENU popup = GetSubMenu(menu, p.position);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(p.items.size()));
    for (std::size_t i = 0; i < p.items.size(); ++i) {
      const auto position = static_cast<UINT>(i);
      if (p.items[i].id == 0) {
        MENUITEMINFOA separator{};
        separator.cbSize = sizeof separator;
        separator.fMask = MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoA(popup, position, TRUE, &separator));
        EXPECT_TRUE(separator.fType & MFT_SEPARATOR) << i;
        continue;
      }
      EXPECT_EQ(GetMenuItemID(popup, static_cast<int>(i)), p.items[i].id);
      EXPECT_EQ(text(popup, position), p.items[i].text);
    }
    DestroyMenu(menu);
  }
}

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(Resources, IconHasSmallAndLargeImages) {
  DWORD size = 0;
  const BYTE* group = Data(IDR_MAINFRAME, MAKEINTRESOURCEA(14), &size);  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  WORD count;
  std::memcpy(&count, group + 4, 2);
  ASSERT_GE(size, 6 + count * sizeof(IconGroupEntry));
  bool small = false, large = false;
  for (WORD i = 0; i < count; ++i) {
    IconGroupEntry entry;
    std::memcpy(&entry, group + 6 + i * sizeof entry, sizeof entry);
    DWORD imageSize = 0;
    const BYTE* image = Data(entry.id, MAKEINTRESOURCEA(3), &imageSize);  // RT_ICON
    ASSERT_NE(image, nullptr) << "image " << entry.id;
    BITMAPINFOHEADER header;
    ASSERT_GE(imageSize, sizeof header);
    std::memcpy(&header, image, sizeof header);
    // An icon's DIB is twice as high as the icon: colour bits, then the AND mask.
    EXPECT_EQ(header.biWidth, entry.width);
    EXPECT_EQ(header.biHeight, 2 * entry.height);
    small |= entry.width == 16 && entry.height == 16;
    large |= entry.width == 32 && entry.height == 32;
  }
  EXPECT_TRUE(small);
  EXPECT_TRUE(large);
}

// Read the way the About box reads it: the fixed part, through version.dll.
TEST_F(Resources, FileVersionReadsOneOneZeroZero) {
  using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
  HMODULE version = LoadLibraryA("version.dll");
  ASSERT_NE(version, nullptr);
  // Through void(*)() because GCC accepts that as a cast to any function type.
  auto get = [version](const char* name) {
    return reinterpret_cast<void (*)()>(GetProcAddress(version, name));
  };
  auto sizeOf = reinterpret_cast<SizeFn>(get("GetFileVersionInfoSizeA"));
  auto info = reinterpret_cast<InfoFn>(get("GetFileVersionInfoA"));
  auto query = reinterpret_cast<QueryFn>(get("VerQueryValueA"));
  ASSERT_TRUE(sizeOf && info && query);

  const std::string path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = sizeOf(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(info(path.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(query(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length));
  ASSERT_GE(length, sizeof *fixed);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  char text[32];
  wsprintfA(text, "%d,%d,%d,%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
            HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  EXPECT_STREQ(text, "1,1,0,0");
  FreeLibrary(version);
}

}  // namespace
}  // namespace ploxen::test
