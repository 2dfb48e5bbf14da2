// The folders keep their layers: a portable file includes no platform header,
// and no folder includes a header of a folder its row does not list. The
// rows are docs/architecture.md's folder table; a folder with source files
// and no row fails too, so a new folder cannot slip past. Reads the source
// tree, so it runs natively only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace ploxen::test {
namespace {

namespace fs = std::filesystem;

enum class Layer { kPortable, kWin32, kBeside };

struct FolderRow {
  const char* folder;
  Layer layer;
  const char* mayUse;  // as the document's table says it: folders, "every portable folder", "any folder" or "-"
};

// From the bottom up, as docs/architecture.md draws them.
const FolderRow kFolders[] = {
    {"core", Layer::kPortable, "-"},
    {"search", Layer::kPortable, "core"},
    {"storage", Layer::kPortable, "core, search"},
    {"net", Layer::kPortable, "core, storage"},
    {"view", Layer::kPortable, "core, search, storage"},
    {"sources", Layer::kPortable, "core, storage, net"},
    {"params", Layer::kPortable, "core, search, storage, net"},
    {"shell", Layer::kPortable, "every portable folder"},
    {"fw", Layer::kWin32, "every portable folder"},
    {"roads", Layer::kWin32, "every portable folder, fw, res"},
    {"pages", Layer::kWin32, "every portable folder, fw, res"},
    {"app", Layer::kWin32, "every portable folder, fw, roads, pages, res"},
    {"res", Layer::kWin32, "-"},
    {"tests", Layer::kBeside, "any folder"},
    {"tools", Layer::kBeside, "any folder"},
    {"bench", Layer::kBeside, "any folder"},
    {"cmake", Layer::kBeside, "-"},
    {"scripts", Layer::kBeside, "-"},
};

// Headers of the platform: none of them in a portable file. Windows' own, and
// the POSIX ones a Windows compiler does not have.
const std::set<std::string> kPlatformHeaders = {
    "aclapi.h",   "commctrl.h", "commdlg.h", "iphlpapi.h", "mswsock.h",   "oaidl.h",      "objbase.h",
    "ole2.h",     "oleauto.h",  "olectl.h",  "psapi.h",    "sddl.h",      "shellapi.h",   "shlobj.h",
    "tchar.h",    "tlhelp32.h", "winbase.h", "windef.h",   "windows.h",   "windowsx.h",   "winnt.h",
    "winreg.h",   "winsock.h",  "winsock2.h", "winuser.h", "ws2tcpip.h",  "unistd.h",     "pthread.h",
    "dlfcn.h",    "netdb.h",    "poll.h",    "arpa/inet.h", "netinet/in.h", "sys/socket.h", "sys/mman.h",
    "sys/time.h", "sys/select.h",
};

bool IsSourceFile(const fs::path& path) {
  static const std::set<std::string> kExtensions = {".c", ".cpp", ".h", ".hpp", ".rc"};
  return kExtensions.count(path.extension().string()) != 0;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) {
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

// Every folder a row lets its files include, its own among them.
std::set<std::string> Allowed(const FolderRow& row) {
  std::set<std::string> allowed{row.folder};
  for (const std::string& item : SplitList(row.mayUse)) {
    if (item == "-") continue;
    if (item == "every portable folder" || item == "any folder") {
      for (const FolderRow& other : kFolders)
        if (item == "any folder" || other.layer == Layer::kPortable) allowed.insert(other.folder);
      continue;
    }
    allowed.insert(item);
  }
  return allowed;
}

const FolderRow* RowOf(const std::string& folder) {
  for (const FolderRow& row : kFolders)
    if (folder == row.folder) return &row;
  return nullptr;
}

struct Include {
  bool angled;
  std::string header;
  int line;
};

std::vector<Include> IncludesOf(const fs::path& file) {
  std::vector<Include> includes;
  std::ifstream in(file);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#') continue;
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0) continue;
    at = line.find_first_not_of(" \t", at + 7);
    if (at == std::string::npos || (line[at] != '<' && line[at] != '"')) continue;
    const char close = line[at] == '<' ? '>' : '"';
    const std::size_t end = line.find(close, at + 1);
    if (end == std::string::npos) continue;
    includes.push_back({close == '>', line.substr(at + 1, end - at - 1), number});
  }
  return includes;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class LayerTest : public ::testing::Test {
 protected:
  // The top folders of the tree, less hidden ones and the one the builds are in.
  static std::vector<std::string> TopFolders() {
    const fs::path binary = fs::weakly_canonical(PLOXEN_BINARY_DIR);
    std::vector<std::string> folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(root_)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_directory() || name.empty() || name[0] == '.') continue;
      const fs::path folder = fs::weakly_canonical(entry.path());
      const auto mismatch = std::mismatch(folder.begin(), folder.end(), binary.begin(), binary.end());
      if (mismatch.first == folder.end()) continue;  // the builds' folder
      folders.push_back(name);
    }
    std::sort(folders.begin(), folders.end());
    return folders;
  }

  static std::vector<fs::path> SourceFiles(const std::string& folder) {
    std::vector<fs::path> files;
    if (!fs::is_directory(root_ / folder)) return files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root_ / folder))
      if (entry.is_regular_file() && IsSourceFile(entry.path())) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
  }

  static inline const fs::path root_ = PLOXEN_SOURCE_DIR;
};

TEST_F(LayerTest, EveryFolderWithSourceFilesHasARow) {
  std::size_t withSources = 0;
  for (const std::string& folder : TopFolders()) {
    if (SourceFiles(folder).empty()) continue;
    ++withSources;
    EXPECT_NE(RowOf(folder), nullptr) << folder << "/ holds source files but has no row in the folder table";
  }
  EXPECT_GE(withSources, 10u) << "the source tree was not found at " << root_;
}

TEST_F(LayerTest, NoFolderIncludesAHeaderItsLayerMayNotUse) {
  std::size_t looked = 0;
  for (const FolderRow& row : kFolders) {
    if (row.layer == Layer::kBeside) continue;
    const std::set<std::string> allowed = Allowed(row);
    for (const fs::path& file : SourceFiles(row.folder)) {
      const std::string name = fs::relative(file, root_).generic_string();
      for (const Include& include : IncludesOf(file)) {
        ++looked;
        if (include.angled) {
          if (row.layer == Layer::kPortable && kPlatformHeaders.count(Lower(include.header)))
            ADD_FAILURE() << name << ":" << include.line << ": portable " << row.folder << "/ includes <"
                          << include.header << ">";
          continue;
        }
        const std::size_t slash = include.header.find('/');
        if (slash == std::string::npos) continue;  // beside the file
        const std::string folder = include.header.substr(0, slash);
        if (!RowOf(folder)) continue;
        if (!allowed.count(folder))
          ADD_FAILURE() << name << ":" << include.line << ": " << row.folder << "/ includes \"" << include.header
                        << "\", but may use " << (row.mayUse == std::string("-") ? "no other folder" : row.mayUse);
      }
    }
  }
  EXPECT_GT(looked, 500u) << "too few includes found under " << root_;
}

// The document's table and this one are the same table.
TEST_F(LayerTest, TheArchitectureDocumentHasTheSameRows) {
  std::ifstream in(root_ / "docs" / "architecture.md");
  ASSERT_TRUE(in) << "docs/architecture.md not found";
  std::map<std::string, std::string> documented;  // folder -> its "may use" cell
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("| `", 0) != 0) continue;
    std::vector<std::string> cells;
    std::stringstream cellsIn(line.substr(1));
    for (std::string cell; std::getline(cellsIn, cell, '|');) {
      cell.erase(0, cell.find_first_not_of(' '));
      cell.erase(cell.find_last_not_of(' ') + 1);
      cells.push_back(cell);
    }
    if (cells.size() < 3) continue;
    std::string folder = cells.front();
    folder.erase(std::remove(folder.begin(), folder.end(), '`'), folder.end());
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    documented[folder] = cells.back();
  }
  for (const FolderRow& row : kFolders) {
    const auto found = documented.find(row.folder);
    if (found == documented.end()) {
      ADD_FAILURE() << row.folder << "/ has no row in docs/architecture.md";
      continue;
    }
    EXPECT_EQ(found->second, row.mayUse) << "what " << row.folder << "/ may use";
  }
  for (const auto& [folder, mayUse] : documented)
    EXPECT_NE(RowOf(folder), nullptr) << "docs/architecture.md has a row for " << folder << "/, this table has none";
}

}  // namespace
}  // namespace ploxen::test
