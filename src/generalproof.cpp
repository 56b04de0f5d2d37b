#include "generalproof.h"

#include <algorithm>
#include <cassert>

GeneralProof::GeneralProof(const ResolvedInput& input)
    : input_(input), forest_(input.RowNo(), input.ColNo()) {}

void GeneralProof::RecordInitial(const Tableau& tableau) {
  for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
    std::vector<int> row(tableau.ColNo());
    for (std::uint32_t c = 0; c < tableau.ColNo(); ++c) row[c] = tableau(r, c);
    made_.push_back(std::move(row));
    madeBy_.push_back(kInitial);
  }
}

void GeneralProof::Record(const ChaseStep& step) {
  const Column c = step.column;
  forest_.Join(Node(made_[step.i][c]), Node(made_[step.k][c]), c,
               static_cast<std::uint32_t>(steps_.size()));
  steps_.push_back({false, step, {}});
}

void GeneralProof::Record(const RowAddition& addition) {
  assert(addition.row == made_.size());
  made_.push_back(addition.symbols);
  madeBy_.push_back(steps_.size());
  steps_.push_back({true, {}, addition});
}

Row GeneralProof::Node(int symbol) const {
  return Row(symbol == 0 ? static_cast<std::uint32_t>(input_.RowNo())
                         : static_cast<std::uint32_t>(symbol - 1));
}

void GeneralProof::Need(std::size_t s) {
  if (needed_[s]) return;
  needed_[s] = 1;
  queue_.push_back(s);
}

void GeneralProof::NeedRow(Row row) {
  if (madeBy_[row] != kInitial) Need(madeBy_[row]);
}

void GeneralProof::NeedEqual(int a, int b, Column col) {
  forest_.ForEachLabelBetween(Node(a), Node(b), col, [&](std::uint32_t s) { Need(s); });
}

std::vector<std::size_t> GeneralProof::StepsMakingDistinguished(
    Row row, const std::vector<Column>* columns) {
  needed_.assign(steps_.size(), 0);
  queue_.clear();
  NeedRow(row);
  if (columns != nullptr) {
    for (Column c : *columns) NeedEqual(made_[row][c], 0, c);
  } else {
    for (Column c{0}; c < input_.ColNo(); ++c) NeedEqual(made_[row][c], 0, c);
  }
  while (!queue_.empty()) {
    const Step& step = steps_[queue_.back()];
    queue_.pop_back();
    if (!step.added) {
      const ChaseStep& e = step.equalization;
      NeedRow(e.i);
      NeedRow(e.k);
      for (Column x : input_.dependencies.Left(e.dependency))
        NeedEqual(made_[e.i][x], made_[e.k][x], x);
      continue;
    }
    const RowAddition& a = step.addition;
    const std::vector<std::vector<Column>> components =
        input_.dependencies.JoinComponents(a.dependency, input_.ColNo());
    assert(components.size() == a.from.size());
    std::vector<std::size_t> firstWith(input_.ColNo(), SIZE_MAX);
    for (std::size_t i = 0; i < components.size(); ++i) {
      NeedRow(a.from[i]);
      for (Column c : components[i]) {
        if (firstWith[c] == SIZE_MAX) {
          firstWith[c] = i;
          // The new cell copied the symbol of a row it combined.
          NeedEqual(made_[a.row][c], made_[a.from[i]][c], c);
        } else {
          // Where two components share a column, their rows agreed.
          NeedEqual(made_[a.from[firstWith[c]]][c], made_[a.from[i]][c], c);
        }
      }
    }
  }
  std::vector<std::size_t> needed;
  for (std::size_t s = 0; s < steps_.size(); ++s) {
    if (needed_[s]) needed.push_back(s);
  }
  return needed;
}
