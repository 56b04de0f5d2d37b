// Random sequences of create, assign, copy, access, compare and destroy on a few matrices,
// checked against plain value models: a write must never reach another holder's cells.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "math/matrix.h"

namespace {

using Matrix = math::matrix<int>;

struct Model {
  std::uint32_t rows = 0;
  std::uint32_t cols = 0;
  std::vector<int> cells;
  bool InRange(std::uint32_t i, std::uint32_t j) const { return i < rows && j < cols; }
  bool operator==(const Model& other) const {
    return rows == other.rows && cols == other.cols && cells == other.cells;
  }
};

constexpr int kSlots = 4;

[[noreturn]] void Mismatch(const char* what) {
  std::fprintf(stderr, "matrix_fuzzer: %s\n", what);
  std::abort();
}

void ExpectOutOfRange(const Matrix& m, std::uint32_t i, std::uint32_t j) {
  try {
    (void)m(i, j);
  } catch (const math::matrix_error& e) {
    if (std::strcmp(e.what(), "matrixT::operator(): Index out of range!") != 0) {
      Mismatch("wrong message");
    }
    return;
  }
  Mismatch("an out-of-range index did not throw");
}

void CheckAgainstModel(const Matrix& m, const Model& model) {
  if (m.RowNo() != model.rows || m.ColNo() != model.cols) Mismatch("dimensions differ");
  for (std::uint32_t i = 0; i < model.rows; ++i) {
    for (std::uint32_t j = 0; j < model.cols; ++j) {
      if (m(i, j) != model.cells[i * model.cols + j]) Mismatch("a cell differs from its model");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::optional<Matrix> slots[kSlots];
  std::optional<Model> models[kSlots];

  while (in.remaining_bytes() > 0) {
    int op = in.ConsumeIntegralInRange(0, 6);
    int s = in.ConsumeIntegralInRange(0, kSlots - 1);
    int t = in.ConsumeIntegralInRange(0, kSlots - 1);
    auto i = in.ConsumeIntegralInRange<std::uint32_t>(0, 9);
    auto j = in.ConsumeIntegralInRange<std::uint32_t>(0, 9);
    int value = in.ConsumeIntegral<int>();
    if (op == 0) {  // create, every cell written through the non-const accessor
      slots[s].emplace(i, j);
      models[s] = Model{i, j, std::vector<int>(static_cast<std::size_t>(i) * j, value)};
      for (std::uint32_t r = 0; r < i; ++r) {
        for (std::uint32_t c = 0; c < j; ++c) (*slots[s])(r, c) = value;
      }
    } else if (!slots[s]) {
      continue;
    } else if (op == 1 && slots[t]) {  // assign
      *slots[s] = *slots[t];
      models[s] = models[t];
    } else if (op == 2 && slots[t] && s != t) {  // copy-construct
      slots[s].emplace(*slots[t]);
      models[s] = models[t];
    } else if (op == 3) {  // write
      if (models[s]->InRange(i, j)) {
        (*slots[s])(i, j) = value;
        models[s]->cells[i * models[s]->cols + j] = value;
      } else {
        Matrix& m = *slots[s];
        try {
          m(i, j) = value;
          Mismatch("an out-of-range write did not throw");
        } catch (const math::matrix_error&) {
        }
      }
    } else if (op == 4 && !models[s]->InRange(i, j)) {  // const read out of range
      ExpectOutOfRange(*slots[s], i, j);
    } else if (op == 5 && slots[t]) {  // compare
      bool equal = *models[s] == *models[t];
      if ((*slots[s] == *slots[t]) != equal || (*slots[s] != *slots[t]) == equal) {
        Mismatch("comparison differs from the models");
      }
    } else if (op == 6) {  // destroy
      slots[s].reset();
      models[s].reset();
    }
    for (int k = 0; k < kSlots; ++k) {
      if (slots[k]) CheckAgainstModel(*slots[k], *models[k]);
    }
  }
  return 0;
}
