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

std::uint32_t FirstDistinguishedRow(const Tableau& tableau) {
  for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
    bool allDistinguished = true;
    for (std::uint32_t c = 0; c < tableau.ColNo() && allDistinguished; ++c) {
      allDistinguished = tableau(r, c) == 0;
    }
    if (allDistinguished) return r;
  }
  return tableau.RowNo();
}
