// One load of the first family: the context and target it was started with, the table
// store it reads the receiver's tables into and writes them back from, and where they lie
// in the receiver.
#pragma once

#include "base/table_store.h"
#include "loader/load_context.h"

struct FirstLoad {
  LoadContext& context;
  LoadTarget target;
  TableStore& tables;
  BlockMap blockMap{};
};
