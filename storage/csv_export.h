// Comma-separated export as spreadsheets read it (RFC 4180): one line per
// row, each of the row's strings in double quotes, CR LF at the end. A quote
// inside a string is doubled; commas and line breaks inside stay as they are,
// held in by the quotes. Code page 1252 when every row fits it, as the export
// always was; otherwise UTF-8 behind a byte-order mark, which is how a
// spreadsheet knows it.
#pragma once

#include "core/row_store.h"
#include "storage/byte_stream.h"

namespace ploxen {

// False when the sink failed; its Error() says why. No header line; an
// empty list gives an empty file. As the binary file, it starts again
// (ByteSink::Rewind) at the first row that does not fit code page 1252.
bool ExportCsv(const MessageRows& rows, ByteSink& out);

}  // namespace ploxen
