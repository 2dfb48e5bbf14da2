// Any bytes given to the binary reader: it must neither read nor write out
// of bounds, and every row it hands the list must be drawable, savable and
// valid UTF-8, whichever version the file claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "storage/binary_file.h"
#include "tests/fuzz/valid_utf8.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ploxen;
  MemorySource source(data, size);
  MessageRows rows;
  const BinaryReadResult result = ReadBinaryFile(source, rows);
  Check(result.rowsRead == rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const MessageItem& item = rows.Row(r);
    Check(item.ColourCount() >= 1 && item.ColourCount() <= kColumnCount);
    Check(item.StringCount() >= item.ColourCount());
    Check(fuzz::ValidUtf8(std::string_view(item.TextBlock(), item.TextBlockSize())));
    for (std::size_t c = 0; c < item.ColourCount(); ++c) {
      const std::string_view text = item.Text(c);
      Check(text.data() >= item.TextBlock() && text.data() + text.size() < item.TextBlock() + item.TextBlockSize());
    }
  }
  // What was read writes back and reads again to the same rows.
  MemorySink sink;
  Check(WriteBinaryFile(rows, sink));
  MemorySource again(sink.Bytes().data(), sink.Bytes().size());
  MessageRows back;
  const BinaryReadResult second = ReadBinaryFile(again, back);
  Check(second.status == BinaryReadResult::kComplete && back.size() == rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    Check(back.Row(r).Kind() == rows.Row(r).Kind());
    for (std::size_t c = 0; c < rows.Row(r).ColourCount(); ++c) Check(back.Row(r).Text(c) == rows.Row(r).Text(c));
  }
  return 0;
}
