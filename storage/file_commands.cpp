#include "storage/file_commands.h"

#include <utility>

#include "storage/binary_file.h"
#include "storage/csv_export.h"

namespace ploxen {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool IsBinaryExtension(std::string_view ext) {
  return EqualsIgnoringCase(ext, "BIN") || EqualsIgnoringCase(ext, "LOG");
}

// The new file while it is written: closed and removed again unless it took
// the target's place, also when writing threw.
class PendingFile {
 public:
  PendingFile(FileAccess& files, std::unique_ptr<OutputFile> file, std::string path)
      : files_(files), file_(std::move(file)), path_(std::move(path)) {}
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() { Discard(); }

  OutputFile& File() { return *file_; }
  void Kept() { kept_ = true; }
  // The file is closed before it is removed: the platform keeps an open file.
  void Discard() {
    if (kept_) return;
    kept_ = true;
    file_.reset();
    files_.Remove(path_);
  }

 private:
  FileAccess& files_;
  std::unique_ptr<OutputFile> file_;
  std::string path_;
  bool kept_ = false;
};

// Writes and closes the file: false with the first failure's text in error.
// The last bytes may fail only at the close.
template <typename Write>
bool WriteWhole(OutputFile& file, Write write, std::string& error) {
  bool whole = write(file);
  if (!whole) error = file.Error();
  if (!file.Close() && whole) {
    whole = false;
    error = file.Error();
  }
  return whole;
}

// Where the folder takes no new file: the target itself, as saves were
// written before they went beside it.
template <typename Write>
bool WriteInPlace(const std::string& path, FileAccess& files, Write write) {
  std::string error;
  std::unique_ptr<OutputFile> file = files.OpenInPlace(path, error);
  if (file && WriteWhole(*file, write, error)) return true;
  files.ShowMessage(FileErrorText(error));
  return false;
}

template <typename Write>
bool WriteWith(const std::string& path, FileAccess& files, Write write) {
  std::string temporary, error;
  bool notAllowed = false;
  std::unique_ptr<OutputFile> created = files.CreateBeside(path, temporary, error, notAllowed);
  if (!created && notAllowed) return WriteInPlace(path, files, write);
  if (!created) {
    files.ShowMessage(FileErrorText(error));
    return false;
  }
  PendingFile pending(files, std::move(created), temporary);
  if (WriteWhole(pending.File(), write, error) && files.Replace(temporary, path, error)) {
    pending.Kept();
    return true;
  }
  pending.Discard();
  files.ShowMessage(FileErrorText(error));
  return false;
}

}  // namespace

std::string_view FileExtension(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/:");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

SavePlan PlanSave(std::string_view chosenPath) {
  SavePlan plan{std::string(chosenPath), SaveFormat::kNothing};
  const std::string_view ext = FileExtension(chosenPath);
  if (ext.empty()) {
    plan.path += ".BIN";
    plan.format = SaveFormat::kBinary;
  } else if (IsBinaryExtension(ext)) {
    plan.format = SaveFormat::kBinary;
  } else if (EqualsIgnoringCase(ext, "CSV")) {
    plan.format = SaveFormat::kCsv;
  }
  return plan;
}

OpenPlan PlanOpen(std::string_view chosenPath) {
  OpenPlan plan{std::string(chosenPath), false};
  const std::string_view ext = FileExtension(chosenPath);
  if (ext.empty()) {
    plan.path += ".BIN";
    plan.read = true;
  } else {
    plan.read = IsBinaryExtension(ext);
  }
  return plan;
}

std::string TemporaryPathBeside(std::string_view target, std::uint32_t number) {
  const std::size_t slash = target.find_last_of("\\/:");
  std::string path(slash == std::string_view::npos ? std::string_view() : target.substr(0, slash + 1));
  static const char kDigits[] = "0123456789ABCDEF";
  path += "~PLX";
  for (int shift = 28; shift >= 0; shift -= 4) path += kDigits[(number >> shift) & 15];
  path += ".tmp";
  return path;
}

SaveResult SaveList(std::string_view chosenPath, const MessageRows& rows, FileAccess& files) {
  const SavePlan plan = PlanSave(chosenPath);
  bool written = false;
  if (plan.format == SaveFormat::kBinary)
    written = WriteWith(plan.path, files, [&](OutputFile& f) { return WriteBinaryFile(rows, f); });
  else if (plan.format == SaveFormat::kCsv)
    written = WriteWith(plan.path, files, [&](OutputFile& f) { return ExportCsv(rows, f); });
  return SaveResult{plan.path, written};
}

void OpenList(std::string_view chosenPath, RowStore& rows, MessageIntake& intake, FileAccess& files) {
  const OpenPlan plan = PlanOpen(chosenPath);
  if (plan.read) {
    rows.DeleteAllRows();
    std::string error;
    std::unique_ptr<InputFile> file = files.OpenRead(plan.path, error);
    if (!file) {
      files.ShowMessage(FileErrorText(error));
    } else {
      const BinaryReadResult result = ReadBinaryFile(*file, rows);
      if (result.status == BinaryReadResult::kDamaged || result.status == BinaryReadResult::kOutOfMemory)
        files.ShowMessage(DamagedFileMessage(plan.path, result.rowsRead));
      else if (result.status == BinaryReadResult::kFileError)
        files.ShowMessage(FileErrorText(file->Error()));
    }
  }
  intake.ResetIndentation();
  rows.UpdateListState();
}

std::string FileErrorText(std::string_view text) {
  return std::string(text.substr(0, kFileErrorMax));
}

std::optional<std::string> ChooseFileName(const std::string& storedName, const ShowFileDialog& show) {
  std::uint32_t error = 0;
  std::optional<std::string> path = show(storedName, error);
  if (!path && error != 0 && !storedName.empty()) {
    error = 0;
    path = show(std::string(), error);
  }
  return path;
}

}  // namespace ploxen
