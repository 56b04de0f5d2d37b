#pragma once

// Why a row of the general chase became all distinguished: the steps it needed, found as the
// proof forest finds them for functional dependencies (see proof.h), with symbols for nodes.
//
// Each cell keeps the symbol it was made with: its row's own, or the one it copied when a
// dependency added its row. An equalization joins the symbols its two cells were made with,
// by an edge labelled with the step; two symbols of a column are equal exactly when a path
// joins them. A step needs what made it valid: an equalization, its two rows, and their
// agreement on the left-hand side; a row added, the rows it combined, their agreement where
// the dependency's components share columns, and the equality of each of its cells with the
// cell it copied. Replayed alone, in order, the steps found make the row all distinguished.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "chasestep.h"
#include "proof.h"
#include "schema.h"

class GeneralProof {
 public:
  // A step of the chase: an equalization, or a row added.
  struct Step {
    bool added = false;
    ChaseStep equalization;
    RowAddition addition;
  };

  // input must outlive the proof.
  explicit GeneralProof(const ResolvedInput& input);

  // What the chase reports, in the order made.
  void RecordInitial(const Tableau& tableau);
  void Record(const ChaseStep& step);
  void Record(const RowAddition& addition);

  std::size_t StepCount() const { return steps_.size(); }
  const Step& StepAt(std::size_t s) const { return steps_[s]; }

  // The steps on which row's being all distinguished depends, in the order made.
  // With columns, only those of row's cells count.
  std::vector<std::size_t> StepsMakingDistinguished(Row row,
                                                    const std::vector<Column>* columns = nullptr);

 private:
  static constexpr std::size_t kInitial = SIZE_MAX;

  // The node of symbol s in the forest: s - 1, and 0 is the distinguished node.
  Row Node(int symbol) const;
  // Marks step s needed, and queues it the first time.
  void Need(std::size_t s);
  // Needs the step that added row, if a step did.
  void NeedRow(Row row);
  // Needs the steps that made the symbols a and b of col equal.
  void NeedEqual(int a, int b, Column col);

  const ResolvedInput& input_;
  std::vector<std::vector<int>> made_;  // per row, its cells' symbols when it was made
  std::vector<std::size_t> madeBy_;     // per row, the step that added it, or kInitial
  ProofForest forest_;
  std::vector<Step> steps_;
  std::vector<std::uint8_t> needed_;
  std::vector<std::size_t> queue_;
};
