#include "storage/csv_export.h"

#include <string>

namespace ploxen {

bool ExportCsv(const MessageRows& rows, ByteSink& out) {
  BufferedSink sink(out);
  std::string line;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const MessageItem& item = rows.Row(r);
    line.clear();
    for (std::size_t i = 0; i < item.ColourCount(); ++i) {
      if (i) line += ',';
      line += '"';
      line += item.Text(i);
      line += '"';
    }
    line += "\r\n";
    if (!sink.Write(line.data(), line.size())) return false;
  }
  return sink.Flush();
}

}  // namespace ploxen
