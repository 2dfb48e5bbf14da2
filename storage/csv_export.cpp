#include "storage/csv_export.h"

#include <string>

namespace ploxen {

namespace {

void AppendQuoted(std::string& line, std::string_view text) {
  line += '"';
  std::size_t from = 0;
  for (std::size_t quote = text.find('"'); quote != std::string_view::npos; quote = text.find('"', from)) {
    line.append(text.data() + from, quote + 1 - from);
    line += '"';
    from = quote + 1;
  }
  line.append(text.data() + from, text.size() - from);
  line += '"';
}

}  // namespace

bool ExportCsv(const MessageRows& rows, ByteSink& out) {
  BufferedSink sink(out);
  std::string line;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const MessageItem& item = rows.Row(r);
    line.clear();
    for (std::size_t i = 0; i < item.ColourCount(); ++i) {
      if (i) line += ',';
      AppendQuoted(line, item.Text(i));
    }
    line += "\r\n";
    if (!sink.Write(line.data(), line.size())) return false;
  }
  return sink.Flush();
}

}  // namespace ploxen
