// One load of the first family: the context and target it was started with, the table
// store it reads the receiver's tables into and writes them back from, and where they lie
// in the receiver.
#pragma once

#include <optional>

#include "loader/first/table_store.h"
#include "loader/load_context.h"
#include "loader/load_outcome.h"

struct FirstLoad {
  LoadContext& context;
  LoadTarget target;
  TableStore& tables;
  BlockMap blockMap{};
  // How the load ends, once a step has said so: the first failure it told, or a cancel.
  std::optional<LoadOutcome> outcome;
  // The receiver's tables are left out of this load because someone chose so (115: No).
  bool tablesLeftOut = false;
};
