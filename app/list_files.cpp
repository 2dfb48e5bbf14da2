#include "app/list_files.h"

#include "fw/file.h"
#include "fw/file_dialog.h"
#include "storage/file_commands.h"

namespace ploxen {

namespace {

constexpr char kSaveFilter[] =
    "Bin\xE4re-Datei (empfohlen) (*.bin)\0*.bin\0CSV-Datei (*.csv)\0*.csv\0LOG-Datei (*.log)\0*.log\0";
constexpr char kOpenFilter[] = "Bin\xE4re-Datei (empfohlen) (*.bin)\0*.bin\0LOG-Datei (*.log)\0*.log\0";

}  // namespace

bool SaveRows(HWND owner, const MessageRows& rows, std::string& lastPath) {
  const auto path = fw::ChooseFile(owner, fw::FileDialog::kSave, kSaveFilter, lastPath);
  if (!path) return false;
  fw::FileAccess files(owner);
  const SaveResult saved = SaveList(*path, rows, files);
  lastPath = saved.path;
  return saved.written;
}

void SaveShownRows(HWND owner, const MessageListModel& model, const std::string& lastPath) {
  const auto path = fw::ChooseFile(owner, fw::FileDialog::kSave, kSaveFilter, lastPath);
  if (!path) return;
  MessageRows shown;
  const MessageRows& rows = model.Rows();
  for (std::size_t r : model.ShownRows()) {
    const MessageItem& item = rows.Row(r);
    MessageItem::ColourList colours;
    for (std::size_t i = 0; i < item.ColourCount(); ++i) colours.push_back(item.Colours(i));
    shown.AppendBlockRow(item.Kind(), colours, item.TextBlock(), item.TextBlockSize());
  }
  fw::FileAccess files(owner);
  SaveList(*path, shown, files);
}

bool OpenRows(HWND owner, MessageListModel& model, MessageIntake& intake) {
  const auto path = fw::ChooseFile(owner, fw::FileDialog::kOpen, kOpenFilter);
  if (!path) return false;
  fw::FileAccess files(owner);
  OpenList(*path, model, intake, files);
  return true;
}

}  // namespace ploxen
