// Any records behind a version 2 header: the reader takes UTF-8 strings as
// they are and makes U+FFFD of every sequence that is not, so every row it
// hands the list is valid UTF-8 (by the fuzz targets' own check); a string
// that was valid comes through byte for byte; and what was read saves and
// reads again to the same rows, as version 1 exactly when every row fits
// code page 1252.
//   input: one byte for the pair count (1 to 3), then the records
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "storage/binary_file.h"
#include "tests/fuzz/valid_utf8.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ploxen;
  if (size == 0) return 0;
  const std::uint32_t pairs = 1 + data[0] % 3;
  std::vector<unsigned char> file(12);
  PutLittleEndian(file.data(), static_cast<std::uint32_t>(kBinaryFileVersionUtf8));
  PutLittleEndian(file.data() + 4, 0x7FFFFFFF);  // as many as there are
  PutLittleEndian(file.data() + 8, pairs);
  file.insert(file.end(), data + 1, data + size);

  MemorySource source(file.data(), file.size());
  MessageRows rows;
  const BinaryReadResult result = ReadBinaryFile(source, rows);
  Check(result.rowsRead == rows.size());
  Check(result.status != BinaryReadResult::kComplete && result.status != BinaryReadResult::kNotOurs);
  // Each row against its record: the same block where that was valid UTF-8.
  std::size_t at = 12;
  bool fits = true;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const MessageItem& item = rows.Row(r);
    const std::string_view block(item.TextBlock(), item.TextBlockSize());
    Check(fuzz::ValidUtf8(block));
    Check(item.ColourCount() == pairs && item.StringCount() >= pairs);
    const std::uint32_t length = GetLittleEndian(file.data() + at);
    const std::string_view stored(reinterpret_cast<const char*>(file.data() + at + 4), length);
    if (fuzz::ValidUtf8(stored)) Check(block == stored);
    else Check(block.size() >= stored.size());  // three bytes of U+FFFD for each invalid part of one to three
    at += 4 + length + 4 + 8 * pairs;
    // Only the strings of its columns are saved.
    fits = fits && FitsCp1252(std::string_view(item.TextBlock(), item.PrefixLength(pairs)));
  }
  MemorySink sink;
  Check(WriteBinaryFile(rows, sink));
  Check(GetLittleEndian(sink.Bytes().data()) ==
        static_cast<std::uint32_t>(fits ? kBinaryFileVersion1252 : kBinaryFileVersionUtf8));
  MemorySource again(sink.Bytes().data(), sink.Bytes().size());
  MessageRows back;
  const BinaryReadResult second = ReadBinaryFile(again, back);
  Check(second.status == BinaryReadResult::kComplete && back.size() == rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    Check(back.Row(r).Kind() == rows.Row(r).Kind());
    for (std::size_t c = 0; c < pairs; ++c) Check(back.Row(r).Text(c) == rows.Row(r).Text(c));
  }
  return 0;
}
