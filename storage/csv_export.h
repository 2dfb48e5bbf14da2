// Comma-separated export: one line per row, each of the row's strings in
// double quotes, CR LF at the end; quotes and commas inside stay as they are.
#pragma once

#include "core/row_store.h"
#include "storage/byte_stream.h"

namespace ploxen {

// False when the sink failed; its Error() says why. No header line; an
// empty list gives an empty file.
bool ExportCsv(const MessageRows& rows, ByteSink& out);

}  // namespace ploxen
