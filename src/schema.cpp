#include "schema.h"

#include <limits>
#include <stdexcept>

void ColumnLists::Append(const std::vector<Column>& list) {
  if (list.size() > std::numeric_limits<std::uint32_t>::max() - columns_.size()) {
    throw std::length_error("too many attribute names in the input");
  }
  columns_.insert(columns_.end(), list.begin(), list.end());
  starts_.push_back(static_cast<std::uint32_t>(columns_.size()));
}
