#include "storage/binary_file.h"

#include <algorithm>
#include <memory>

namespace ploxen {

namespace {
constexpr std::int32_t kMaxPairs = kColumnCount;  // the list has three columns
}  // namespace

namespace {
// Colours for a column that a row has no pair of: the ones the intake gives it.
ColourPair DefaultPair(std::size_t column) {
  if (column == kColumnProcess) return kProcessColumnColours;
  if (column == kColumnTime) return kTimeColumnColours;
  return ColourPair{kBlack, kMessageColumnBack};
}
}  // namespace

bool WriteBinaryFile(const MessageRows& rows, ByteSink& out) {
  BufferedSink sink(out);
  const std::size_t count = rows.size();
  // One pair count stands for every row. Rows of different widths can share a
  // list (a file of narrower rows opened, then new lines arrived), so the
  // widest row sets it and narrower rows are padded: each record then really
  // holds the count that the reader expects.
  std::size_t pairs = 0;
  for (std::size_t r = 0; r < count; ++r) pairs = std::max(pairs, rows.Row(r).ColourCount());
  pairs = std::min<std::size_t>(std::max<std::size_t>(pairs, 1), kMaxPairs);
  if (!sink.WriteInt32(kBinaryFileVersion) || !sink.WriteInt32(static_cast<std::int32_t>(count)))
    return false;
  if (count > 0 && !sink.WriteInt32(static_cast<std::int32_t>(pairs))) return false;
  static const char kNul = '\0';
  for (std::size_t r = 0; r < count; ++r) {
    const MessageItem& item = rows.Row(r);
    const std::size_t prefix = item.PrefixLength(pairs);
    if (prefix != MessageItem::npos) {
      if (!sink.WriteInt32(static_cast<std::int32_t>(prefix)) || !sink.Write(item.TextBlock(), prefix))
        return false;
    } else {
      std::size_t length = 0;
      for (std::size_t i = 0; i < pairs; ++i) length += item.Text(i).size() + 1;
      if (!sink.WriteInt32(static_cast<std::int32_t>(length))) return false;
      for (std::size_t i = 0; i < pairs; ++i) {
        const std::string_view text = item.Text(i);
        if (!sink.Write(text.data(), text.size()) || !sink.Write(&kNul, 1)) return false;
      }
    }
    if (!sink.WriteInt32(item.Kind())) return false;
    for (std::size_t i = 0; i < pairs; ++i) {
      const ColourPair pair = i < item.ColourCount() ? item.Colours(i) : DefaultPair(i);
      if (!sink.WriteUint32(pair.text) || !sink.WriteUint32(pair.back)) return false;
    }
  }
  return sink.Flush();
}

BinaryReadResult ReadBinaryFile(ByteSource& in, RowStore& rows) {
  BufferedSource source(in);
  BinaryReadResult result;
  // A short read is damage unless the file layer said it failed.
  auto stop = [&](BinaryReadResult::Status damaged) {
    result.status = source.Error().empty() ? damaged : BinaryReadResult::kFileError;
    return result;
  };

  std::int32_t version = 0;
  if (!source.ReadInt32(version) || version != kBinaryFileVersion) return stop(BinaryReadResult::kNotOurs);
  std::int32_t count = 0;
  if (!source.ReadInt32(count) || count < 0) return stop(BinaryReadResult::kDamaged);
  if (count == 0) return result;

  std::int32_t pairs = 0;
  if (!source.ReadInt32(pairs) || pairs < 1 || pairs > kMaxPairs) return stop(BinaryReadResult::kDamaged);
  // Room ahead, but no more than the bytes left can hold: a damaged count
  // must not make a huge reservation.
  const std::uint64_t smallestRow = 4 + static_cast<std::uint64_t>(pairs) + 4 + 8 * static_cast<std::uint64_t>(pairs);
  rows.ReserveMore(static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count),
                                                                     source.Remaining() / smallestRow)));

  for (std::int32_t r = 0; r < count; ++r) {
    std::int32_t length = 0;
    if (!source.ReadInt32(length) || length < pairs ||
        static_cast<std::uint64_t>(length) > source.Remaining())
      return stop(BinaryReadResult::kDamaged);
    // The row's own block is read into directly: one allocation per row.
    auto item = MessageItem::WithBlock(static_cast<std::size_t>(length));
    std::int32_t kind = 0;
    if (source.Read(item->MutableTextBlock(), static_cast<std::size_t>(length)) != static_cast<std::size_t>(length) ||
        !source.ReadInt32(kind))
      return stop(BinaryReadResult::kDamaged);
    MessageItem::ColourList colours;
    for (std::int32_t i = 0; i < pairs; ++i) {
      ColourPair pair{};
      if (!source.ReadUint32(pair.text) || !source.ReadUint32(pair.back))
        return stop(BinaryReadResult::kDamaged);
      colours.push_back(pair);
    }
    item->SetKindAndColours(kind, colours);
    if (!item->Valid()) return stop(BinaryReadResult::kDamaged);
    rows.AppendRow(std::move(item));
    ++result.rowsRead;
  }
  return result;
}

std::string DamagedFileMessage(const std::string& path, std::size_t rowsRead) {
  return "Die Datei \"" + path + "\" ist besch\xE4" "digt.\n\n" + std::to_string(rowsRead) +
         (rowsRead == 1 ? " Eintrag wurde" : " Eintr\xE4" "ge wurden") +
         " gelesen, der Rest der Datei kann nicht gelesen werden.";
}

}  // namespace ploxen
