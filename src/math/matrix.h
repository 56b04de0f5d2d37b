#pragma once

// math::matrix<T>: a dense matrix whose element storage is a separate record, base_mat,
// that several matrices can hold at once.
//
// Invariants:
// - Every matrix holds exactly one record, from its construction to its destruction, and
//   changes records only by assignment and by detaching (clone).
// - A record's reference count equals the number of matrices that hold it. The record, its
//   row table and its row arrays are released when the count falls to 0.
// - A record's dimensions never change once it is built.
// - Assignment and copy construction only share the source's record. The non-const element
//   accessor detaches a shared record before it returns a reference, so a write never
//   reaches a record that another matrix also holds. The const accessor never detaches.
// - The reference count is a plain integer: all holders of a record belong to one thread.

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace math {

// Thrown by the element accessors for an index out of range.
class matrix_error : public std::logic_error {
 public:
  explicit matrix_error(const std::string& message) : std::logic_error(message) {}
};

template <typename T>
class matrix {
  static_assert(std::is_trivially_copyable<T>::value, "rows are copied as raw memory blocks");

 public:
  // A matrix with a new record of its own; the cells have no defined value.
  // Throws std::bad_alloc when the storage cannot be had.
  matrix(std::uint32_t rows, std::uint32_t cols);
  // Shares other's record, like assignment.
  matrix(const matrix& other) noexcept;
  ~matrix();

  // Shares other's record; the record this matrix held loses one reference.
  matrix& operator=(const matrix& other) noexcept;

  // Reference to element (i, j); detaches first when the record is shared. Throws
  // matrix_error for an index out of range, before anything is detached, and std::bad_alloc
  // when the copy cannot be made, leaving the matrix on its old record.
  T& operator()(std::uint32_t i, std::uint32_t j);
  // Value of element (i, j); never detaches. Throws matrix_error for an index out of range.
  T operator()(std::uint32_t i, std::uint32_t j) const;

  std::uint32_t RowNo() const noexcept { return rec_->rows; }
  std::uint32_t ColNo() const noexcept { return rec_->cols; }

 private:
  struct base_mat {
    // A record with reference count 1; cells are copied from source when it is not null.
    base_mat(std::uint32_t m, std::uint32_t n, T* const* source);
    ~base_mat();
    base_mat(const base_mat&) = delete;
    base_mat& operator=(const base_mat&) = delete;

    T** row = nullptr;
    std::uint32_t rows;
    std::uint32_t cols;
    std::uint32_t allocatedRows = 0;
    std::uint32_t allocatedCols;
    std::int32_t refs = 1;
  };

  static void Release(base_mat* record) noexcept;
  void CheckIndex(std::uint32_t i, std::uint32_t j) const;
  // Gives this matrix a private copy of its shared record.
  void clone();

  base_mat* rec_;
};

template <typename T>
matrix<T>::base_mat::base_mat(std::uint32_t m, std::uint32_t n, T* const* source)
    : rows(m), cols(n), allocatedCols(n) {
  row = new T*[m];
  try {
    for (; allocatedRows < m; ++allocatedRows) {
      row[allocatedRows] = new T[n];
      if (source != nullptr && n != 0) {
        std::memcpy(row[allocatedRows], source[allocatedRows], sizeof(T) * n);
      }
    }
  } catch (...) {
    for (std::uint32_t i = 0; i < allocatedRows; ++i) delete[] row[i];
    delete[] row;
    throw;
  }
}

template <typename T>
matrix<T>::base_mat::~base_mat() {
  for (std::uint32_t i = 0; i < allocatedRows; ++i) delete[] row[i];
  delete[] row;
}

template <typename T>
matrix<T>::matrix(std::uint32_t rows, std::uint32_t cols)
    : rec_(new base_mat(rows, cols, nullptr)) {}

template <typename T>
matrix<T>::matrix(const matrix& other) noexcept : rec_(other.rec_) {
  ++rec_->refs;
}

template <typename T>
matrix<T>::~matrix() {
  Release(rec_);
}

template <typename T>
void matrix<T>::Release(base_mat* record) noexcept {
  if (--record->refs == 0) delete record;
}

template <typename T>
matrix<T>& matrix<T>::operator=(const matrix& other) noexcept {
  // Self-assignment and assignment between two holders of one record change nothing.
  if (rec_ == other.rec_) return *this;
  ++other.rec_->refs;
  Release(rec_);
  rec_ = other.rec_;
  return *this;
}

template <typename T>
void matrix<T>::CheckIndex(std::uint32_t i, std::uint32_t j) const {
  if (i >= rec_->rows || j >= rec_->cols) {
    throw matrix_error("matrixT::operator(): Index out of range!");
  }
}

template <typename T>
void matrix<T>::clone() {
  // Build the copy before giving up the shared reference, so that a failed allocation
  // leaves this matrix holding its old record.
  base_mat* copy = new base_mat(rec_->rows, rec_->cols, rec_->row);
  --rec_->refs;
  rec_ = copy;
}

template <typename T>
T& matrix<T>::operator()(std::uint32_t i, std::uint32_t j) {
  CheckIndex(i, j);
  if (rec_->refs > 1) clone();
  return rec_->row[i][j];
}

template <typename T>
T matrix<T>::operator()(std::uint32_t i, std::uint32_t j) const {
  CheckIndex(i, j);
  return rec_->row[i][j];
}

// True when both have the same dimensions and equal elements.
template <typename T>
bool operator==(const matrix<T>& a, const matrix<T>& b) noexcept {
  if (a.RowNo() != b.RowNo() || a.ColNo() != b.ColNo()) return false;
  for (std::uint32_t i = 0; i < a.RowNo(); ++i) {
    for (std::uint32_t j = 0; j < a.ColNo(); ++j) {
      if (a(i, j) != b(i, j)) return false;
    }
  }
  return true;
}

template <typename T>
bool operator!=(const matrix<T>& a, const matrix<T>& b) noexcept {
  return !(a == b);
}

}  // namespace math
