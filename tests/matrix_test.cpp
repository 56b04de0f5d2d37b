#include "math/matrix.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using Matrix = math::matrix<int>;

void Fill(Matrix& m, int base) {
  for (std::uint32_t i = 0; i < m.RowNo(); ++i) {
    for (std::uint32_t j = 0; j < m.ColNo(); ++j) m(i, j) = base + static_cast<int>(i * 10 + j);
  }
}

void ExpectOutOfRange(Matrix& m, std::uint32_t i, std::uint32_t j) {
  const Matrix& view = m;
  try {
    m(i, j);
    ADD_FAILURE() << "non-const access (" << i << ", " << j << ") did not throw";
  } catch (const math::matrix_error& e) {
    EXPECT_STREQ(e.what(), "matrixT::operator(): Index out of range!");
  }
  EXPECT_THROW(view(i, j), math::matrix_error);
}

TEST(MatrixTest, ReportsDimensionsAndChecksBounds) {
  Matrix m(3, 4);
  EXPECT_EQ(m.RowNo(), 3u);
  EXPECT_EQ(m.ColNo(), 4u);
  m(2, 3) = 7;
  EXPECT_EQ(static_cast<const Matrix&>(m)(2, 3), 7);
  ExpectOutOfRange(m, 3, 0);
  ExpectOutOfRange(m, 0, 4);
  int negative = -1;
  ExpectOutOfRange(m, static_cast<std::uint32_t>(negative), 0);

  Matrix empty(0, 5);
  ExpectOutOfRange(empty, 0, 0);
  Matrix noColumns(2, 0);
  ExpectOutOfRange(noColumns, 0, 0);
  EXPECT_TRUE(empty == Matrix(0, 5));
  EXPECT_TRUE(empty != noColumns);
}

TEST(MatrixTest, AssignmentSharesUntilTheFirstNonConstAccess) {
  Matrix a(2, 2);
  Fill(a, 0);
  int* aStorage = &a(0, 0);  // a holds its record alone: no copy
  Matrix b(1, 1);
  b = a;
  EXPECT_EQ(b.RowNo(), 2u);
  EXPECT_EQ(b.ColNo(), 2u);
  EXPECT_EQ(static_cast<const Matrix&>(b)(1, 1), 11);  // a const read detaches nothing
  EXPECT_TRUE(a == b);

  int* bStorage = &b(0, 0);  // b detaches, a keeps the old record
  EXPECT_NE(bStorage, aStorage);
  EXPECT_EQ(&a(0, 0), aStorage);  // a holds its record alone again: no copy
  EXPECT_TRUE(a == b);

  b(1, 0) = 99;
  EXPECT_EQ(a(1, 0), 10);
  EXPECT_TRUE(a != b);
  b(1, 0) = 10;
  EXPECT_TRUE(a == b);
}

TEST(MatrixTest, ConstReadLeavesTheRecordShared) {
  Matrix a(1, 1);
  a(0, 0) = 5;
  int* shared = &a(0, 0);
  Matrix b(1, 1);
  b = a;
  EXPECT_EQ(static_cast<const Matrix&>(b)(0, 0), 5);
  EXPECT_NE(&a(0, 0), shared);  // a was still sharing, so a detaches now
  EXPECT_EQ(&b(0, 0), shared);  // and b is left as the record's only holder
}

TEST(MatrixTest, SelfAndRepeatedAssignmentKeepContents) {
  Matrix a(2, 3);
  Fill(a, 1);
  Matrix& alias = a;
  a = alias;
  Matrix b(2, 3);
  b = a;
  b = a;
  a = b;
  EXPECT_TRUE(a == b);
  b(0, 0) = -4;  // exactly one other holder, so the write must not reach a
  EXPECT_EQ(a(0, 0), 1);
}

TEST(MatrixTest, OutOfRangeAccessToASharedMatrixMakesNoCopy) {
  Matrix a(1, 1);
  a(0, 0) = 3;
  int* storage = &a(0, 0);
  Matrix b(1, 1);
  b = a;
  EXPECT_THROW(b(1, 0), math::matrix_error);
  EXPECT_NE(&a(0, 0), storage);  // still shared after the throw: a detaches now
}

TEST(MatrixTest, CopyConstructionSharesLikeAssignment) {
  Matrix a(1, 2);
  Fill(a, 0);
  Matrix b(a);
  b(0, 1) = 42;
  EXPECT_EQ(a(0, 1), 1);
  EXPECT_EQ(b(0, 0), 0);
}

TEST(MatrixTest, ComparesDimensionsBeforeCells) {
  Matrix a(2, 3);
  Matrix b(3, 2);
  Fill(a, 0);
  Fill(b, 0);
  EXPECT_FALSE(a == b);
  Matrix c(2, 3);
  Fill(c, 0);
  EXPECT_TRUE(a == c);
  EXPECT_TRUE(a == a);
  c(1, 2) = -1;
  EXPECT_TRUE(a != c);
}

}  // namespace
