#include "storage/binary_file.h"

#include <algorithm>
#include <new>
#include <string_view>

#include "core/text.h"

namespace ploxen {

namespace {

constexpr std::int32_t kMaxPairs = kColumnCount;  // the list has three columns

// Colours for a column that a row has no pair of: the ones the intake gives it.
ColourPair DefaultPair(std::size_t column) {
  if (column == kColumnProcess) return kProcessColumnColours;
  if (column == kColumnTime) return kTimeColumnColours;
  return ColourPair{kBlack, kMessageColumnBack};
}

enum class Written { kAll, kFailed, kDoesNotFit };

// The records in the version's text. Version 1 gives up at the first row
// that does not fit code page 1252; each row is looked at just before its
// bytes are copied, while they are at hand, and an ASCII row is taken as it
// is.
Written WriteRecords(const MessageRows& rows, BufferedSink& sink, std::int32_t version) {
  const std::size_t count = rows.size();
  // One pair count stands for every row. Rows of different widths can share a
  // list (a file of narrower rows opened, then new lines arrived), so the
  // widest row sets it and narrower rows are padded: each record then really
  // holds the count that the reader expects.
  const std::size_t pairs = std::min<std::size_t>(std::max<std::size_t>(rows.WidestRow(), 1), kMaxPairs);
  if (!sink.WriteInt32(version) || !sink.WriteInt32(static_cast<std::int32_t>(count))) return Written::kFailed;
  if (count > 0 && !sink.WriteInt32(static_cast<std::int32_t>(pairs))) return Written::kFailed;
  std::string padded, converted;
  for (std::size_t r = 0; r < count; ++r) {
    const MessageItem& item = rows.Row(r);
    const std::size_t prefix = item.PrefixLength(pairs);
    std::string_view block;
    if (prefix != MessageItem::npos) {
      block = std::string_view(item.TextBlock(), prefix);
    } else {
      // Fewer strings than pairs: empty ones follow, each its terminator.
      padded.assign(item.TextBlock(), item.TextBlockSize());
      padded.append(pairs - item.StringCount(), '\0');
      block = padded;
    }
    if (version == kBinaryFileVersion1252 && !IsAscii(block)) {
      if (!FitsCp1252(block)) return Written::kDoesNotFit;
      converted = Utf8ToCp1252(block);
      block = converted;
    }
    if (!sink.WriteInt32(static_cast<std::int32_t>(block.size())) || !sink.Write(block.data(), block.size()) ||
        !sink.WriteInt32(item.Kind()))
      return Written::kFailed;
    for (std::size_t i = 0; i < pairs; ++i) {
      const ColourPair pair = i < item.ColourCount() ? item.Colours(i) : DefaultPair(i);
      if (!sink.WriteUint32(pair.text) || !sink.WriteUint32(pair.back)) return Written::kFailed;
    }
  }
  return Written::kAll;
}

}  // namespace

bool WriteBinaryFile(const MessageRows& rows, ByteSink& out, BinaryVersionRule rule) {
  BufferedSink sink(out);
  Written written = Written::kDoesNotFit;
  if (rule == BinaryVersionRule::kCp1252WhenItFits) written = WriteRecords(rows, sink, kBinaryFileVersion1252);
  if (written == Written::kDoesNotFit) {
    if (rule == BinaryVersionRule::kCp1252WhenItFits && !sink.Rewind()) return false;
    written = WriteRecords(rows, sink, kBinaryFileVersionUtf8);
  }
  return written == Written::kAll && sink.Flush();
}

namespace {

// A record's block that is not valid in its version, in UTF-8, with the
// terminators where they are, so the block's strings are the record's.
std::string_view ConvertedBlock(std::string_view block, std::int32_t version, std::string& converted) {
  converted.clear();
  if (version == kBinaryFileVersion1252) {
    AppendCp1252AsUtf8(converted, block);
    return converted;
  }
  for (std::size_t at = 0; at < block.size();) AppendUtf8(converted, NextCodePoint(block, at));
  return converted;
}

// The record's block as a row: as it is where it is ASCII (version 1) or
// valid (version 2, checked as the row copies it), else converted.
bool AppendRecord(RowStore& rows, MessageKind kind, const MessageItem::ColourList& colours, std::string_view block,
                  std::int32_t version, std::string& converted) {
  if (version == kBinaryFileVersionUtf8) {
    if (rows.AppendUtf8BlockRow(kind, colours, block.data(), block.size())) return true;
    if (IsValidUtf8(block)) return false;  // refused for its strings
  } else if (IsAscii(block)) {
    return rows.AppendBlockRow(kind, colours, block.data(), block.size());
  }
  const std::string_view row = ConvertedBlock(block, version, converted);
  return rows.AppendBlockRow(kind, colours, row.data(), row.size());
}

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
  if (!source.ReadInt32(version) || (version != kBinaryFileVersion1252 && version != kBinaryFileVersionUtf8))
    return stop(BinaryReadResult::kNotOurs);
  result.version = version;
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

  std::string converted;
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
    const std::string_view block(reinterpret_cast<const char*>(record), static_cast<std::size_t>(length));
    if (!AppendRecord(rows, static_cast<MessageKind>(GetLittleEndian(after)), colours, block, version, converted))
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
