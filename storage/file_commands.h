// What Save and Open do with the path the user chose: which format, which
// path, what is reported. The dialogs and message boxes are the caller's.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

// The file layer and the message box, as the commands need them. A save
// writes a new file beside the one it replaces and puts that in its place
// once it is whole, so a failure leaves the old file as it was. Only where
// the folder takes no new file does it write the target itself.
class FileAccess {
 public:
  virtual ~FileAccess() = default;
  // A new file in the folder of path, under a name no file there has
  // (TemporaryPathBeside), written exclusively; its name in temporary. Null
  // with the file layer's text in error when it cannot be made; notAllowed
  // then says that the folder lets this user make no file (a share, a tight
  // access list), who may still be allowed to change path itself.
  virtual std::unique_ptr<OutputFile> CreateBeside(const std::string& path, std::string& temporary,
                                                   std::string& error, bool& notAllowed) = 0;
  // The target itself, emptied or made, written exclusively. Null with the
  // file layer's text in error.
  virtual std::unique_ptr<OutputFile> OpenInPlace(const std::string& path, std::string& error) = 0;
  // Puts the closed file from in the place of to, which need not exist yet.
  // False with the file layer's text in error; to is then unchanged.
  virtual bool Replace(const std::string& from, const std::string& to, std::string& error) = 0;
  // Removes a file that was written in vain.
  virtual void Remove(const std::string& path) = 0;
  // Read, exclusive. Null with the file layer's text in error when the file
  // cannot be opened.
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

// A name for a new file in the folder of target: "~PLX", the number in eight
// hex digits, ".tmp". The caller tries further numbers while one is taken.
std::string TemporaryPathBeside(std::string_view target, std::uint32_t number);

struct SaveResult {
  std::string path;  // the new save file
  bool written;      // false after a failure and for an extension that writes nothing
};

// The Save command after its dialog: writes the list as the extension says.
// A failure is shown, and the file that was there before stays as it was;
// nothing written in vain is left behind. Where no file can be made beside
// the target, the target is written in place, and a failure then leaves it
// part written.
SaveResult SaveList(std::string_view chosenPath, const MessageRows& rows, FileAccess& files);

// The Open command after its dialog: for BIN and LOG the list is emptied and
// the file read into it; for every extension the indentation starts again and
// the list state is refreshed. Rows read before a failure stay, also when
// memory ran out, which is reported as damage is.
void OpenList(std::string_view chosenPath, RowStore& rows, MessageIntake& intake, FileAccess& files);

// A file layer's text as it may be shown.
std::string FileErrorText(std::string_view text);

// One showing of the platform's file dialog with a name in its field: the
// chosen path, or nothing with the dialog's own error code in error (0 when
// the user cancelled).
using ShowFileDialog = std::function<std::optional<std::string>(const std::string& name, std::uint32_t& error)>;

// A stored name the dialog cannot take (characters no file name may have)
// makes it fail before it is shown; that is no Cancel, so the dialog is
// shown again with an empty field.
std::optional<std::string> ChooseFileName(const std::string& storedName, const ShowFileDialog& show);

}  // namespace ploxen
