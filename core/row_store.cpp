#include "core/row_store.h"

namespace ploxen {

void MessageRows::DeleteAllRows() {
  // Last to first, as rows were handed in; release the vector's memory too so
  // that a cleared list gives its 50,000 slots back.
  while (!rows_.empty()) rows_.pop_back();
  std::vector<std::unique_ptr<MessageItem>>().swap(rows_);
}

}  // namespace ploxen
