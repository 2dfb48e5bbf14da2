// What Save and Open do with the path the user chose: which format, which
// path, what is reported. The dialogs and message boxes are the caller's.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/intake.h"
#include "core/row_store.h"
#include "storage/byte_stream.h"

namespace ploxen {

constexpr std::size_t kFileErrorMax = 1023;  // longest file error text shown

class OutputFile : public ByteSink {
 public:
  // False when the last bytes could not be written; Error() says why.
  virtual bool Close() = 0;
};

class InputFile : public ByteSource {};

// The file layer and the message box, as the commands need them.
class FileAccess {
 public:
  virtual ~FileAccess() = default;
  // Create-and-write (truncating) / read, both exclusive. Null with the
  // file layer's text in error when the file cannot be opened.
  virtual std::unique_ptr<OutputFile> Create(const std::string& path, std::string& error) = 0;
  virtual std::unique_ptr<InputFile> OpenRead(const std::string& path, std::string& error) = 0;
  // A message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
};

// Extension of the path's file name, without the dot; empty when it has none.
std::string_view FileExtension(std::string_view path);

enum class SaveFormat { kBinary, kCsv, kNothing };

struct SavePlan {
  std::string path;  // also the new save file
  SaveFormat format;
};

// A name without an extension gets ".BIN" and is binary; BIN and LOG are
// binary, CSV is the export, any other extension writes nothing.
SavePlan PlanSave(std::string_view chosenPath);

struct OpenPlan {
  std::string path;
  bool read;  // only BIN and LOG are read
};

OpenPlan PlanOpen(std::string_view chosenPath);

// The Save command after its dialog: writes the list as the extension says
// and returns the new save file. Failures are shown; a partly written file stays.
std::string SaveList(std::string_view chosenPath, const MessageRows& rows, FileAccess& files);

// The Open command after its dialog: for BIN and LOG the list is emptied and
// the file read into it; for every extension the indentation starts again and
// the list state is refreshed. Rows read before a failure stay.
void OpenList(std::string_view chosenPath, RowStore& rows, MessageIntake& intake, FileAccess& files);

// A file layer's text as it may be shown.
std::string FileErrorText(std::string_view text);

}  // namespace ploxen
