#include "storage/binary_file.h"

#include <algorithm>
#include <new>

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
  const std::size_t pairs = std::min<std::size_t>(std::max<std::size_t>(rows.WidestRow(), 1), kMaxPairs);
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

namespace {

// The result is the caller's, so that the rows read stay counted when the
// store throws.
BinaryReadResult ReadRecords(ByteSource& in, RowStore& rows, BinaryReadResult& result) {
  BufferedSource source(in);
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
  const std::size_t tail = 4 + 8 * static_cast<std::size_t>(pairs);  // kind and colour pairs after the block
  const std::uint64_t smallestRow = 4 + static_cast<std::uint64_t>(pairs) + tail;
  rows.ReserveMore(static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count),
                                                                     source.Remaining() / smallestRow)));

  for (std::int32_t r = 0; r < count; ++r) {
    std::int32_t length = 0;
    if (!source.ReadInt32(length) || length < pairs) return stop(BinaryReadResult::kDamaged);
    // The whole record is looked at where it was read: checked there and
    // copied once, into the row. A record that runs past the end of the data
    // is not there to look at.
    const std::size_t recordSize = static_cast<std::size_t>(length) + tail;
    const unsigned char* const record = source.Peek(recordSize);
    if (!record) return stop(BinaryReadResult::kDamaged);
    const unsigned char* const after = record + length;
    MessageItem::ColourList colours;
    for (std::int32_t i = 0; i < pairs; ++i)
      colours.push_back(ColourPair{GetLittleEndian(after + 4 + 8 * i), GetLittleEndian(after + 8 + 8 * i)});
    if (!rows.AppendBlockRow(static_cast<MessageKind>(GetLittleEndian(after)), colours,
                             reinterpret_cast<const char*>(record), static_cast<std::size_t>(length)))
      return stop(BinaryReadResult::kDamaged);
    source.Skip(recordSize);
    ++result.rowsRead;
  }
  return result;
}

}  // namespace

BinaryReadResult ReadBinaryFile(ByteSource& in, RowStore& rows) {
  BinaryReadResult result;
  try {
    ReadRecords(in, rows, result);
  } catch (const std::bad_alloc&) {
    // A file larger than memory: the rows that fitted stay, and the buffer
    // is given back before anyone is told.
    result.status = BinaryReadResult::kOutOfMemory;
  }
  return result;
}

std::string DamagedFileMessage(const std::string& path, std::size_t rowsRead) {
  return "Die Datei \"" + path + "\" ist besch\xE4" "digt.\n\n" + std::to_string(rowsRead) +
         (rowsRead == 1 ? " Eintrag wurde" : " Eintr\xE4" "ge wurden") +
         " gelesen, der Rest der Datei kann nicht gelesen werden.";
}

}  // namespace ploxen
