#include "storage/csv_export.h"

#include <string>

#include "core/text.h"

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

enum class Written { kAll, kFailed, kDoesNotFit };

Written WriteLines(const MessageRows& rows, BufferedSink& sink, bool utf8) {
  if (utf8 && !sink.Write(kUtf8ByteOrderMark.data(), kUtf8ByteOrderMark.size()))
    return Written::kFailed;
  std::string line, converted;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const MessageItem& item = rows.Row(r);
    line.clear();
    for (std::size_t i = 0; i < item.ColourCount(); ++i) {
      if (i) line += ',';
      AppendQuoted(line, item.Text(i));
    }
    line += "\r\n";
    std::string_view bytes = line;
    if (!utf8 && !IsAscii(line)) {
      if (!FitsCp1252(line)) return Written::kDoesNotFit;
      converted = Utf8ToCp1252(line);
      bytes = converted;
    }
    if (!sink.Write(bytes.data(), bytes.size())) return Written::kFailed;
  }
  return Written::kAll;
}

}  // namespace

bool ExportCsv(const MessageRows& rows, ByteSink& out) {
  BufferedSink sink(out);
  Written written = WriteLines(rows, sink, false);
  if (written == Written::kDoesNotFit) {
    if (!sink.Rewind()) return false;
    written = WriteLines(rows, sink, true);
  }
  return written == Written::kAll && sink.Flush();
}

}  // namespace ploxen
