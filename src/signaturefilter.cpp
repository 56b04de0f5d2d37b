#include "signaturefilter.h"

#include <algorithm>

#include "sightings.h"

namespace {

constexpr std::uint64_t kGoldenRatio64 = 0x9e3779b97f4a7c15ULL;
// Eight bytes of 0 or 1 as EightBytes gives them, times this, hold the eight as bits in their
// top byte, the first byte as the lowest bit.
constexpr std::uint64_t kGatherBits = 0x0102040810204080ULL;

// bytes[0] to bytes[7] as one word, the first lowest, on any machine: where words store their
// low byte first, as on those the tool is built for, the compiler makes it one load.
std::uint64_t EightBytes(const std::uint8_t* bytes) {
  const auto at = [&](int i) { return std::uint64_t{bytes[i]} << (8 * i); };
  return at(0) | at(1) | at(2) | at(3) | at(4) | at(5) | at(6) | at(7);
}

// A key that depends on every label and on their columns' order: the previous key, mixed
// with the label by a multiplication, and rotated so that its high bits reach the low ones
// that index the table.
std::uint64_t Mix(std::uint64_t key, Row label) {
  const std::uint64_t x = (key ^ (std::uint64_t{label} + 1)) * kGoldenRatio64;
  return (x << 31) | (x >> 33);
}

// The same for two labels at once, one in each half of a word: half the multiplications of
// two Mix, and as exact, since labels are below 2^30.
std::uint64_t MixTwo(std::uint64_t key, Row first, Row second) {
  const std::uint64_t both = (std::uint64_t{first} + 1) | ((std::uint64_t{second} + 1) << 32);
  const std::uint64_t x = (key ^ both) * kGoldenRatio64;
  return (x << 31) | (x >> 33);
}

// Where the processor has them, the keys' passes use vectors of eight words: the baseline
// of the machines we build for has no multiplication of 32-bit words in vectors.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__) && !defined(__EMSCRIPTEN__)
#define WIDE_VECTORS_WHERE_THERE_ARE __attribute__((target_clones("avx2", "default")))
#else
#define WIDE_VECTORS_WHERE_THERE_ARE
#endif

// keys[r] := keys[r] * radixOfC + ranksOfC[r], then as much for d when ranksOfD is not null,
// for every row; first, keys[r] is taken as 0, unread.
WIDE_VECTORS_WHERE_THERE_ARE
void AddDigits(std::uint32_t* keys, std::size_t rowCount, bool first, const std::uint16_t* ranksOfC,
               std::uint32_t radixOfC, const std::uint16_t* ranksOfD, std::uint32_t radixOfD) {
  if (ranksOfD == nullptr) {
    if (first) {
      for (std::size_t r = 0; r < rowCount; ++r) keys[r] = ranksOfC[r];
    } else {
      for (std::size_t r = 0; r < rowCount; ++r) keys[r] = keys[r] * radixOfC + ranksOfC[r];
    }
  } else if (first) {
    for (std::size_t r = 0; r < rowCount; ++r) keys[r] = ranksOfC[r] * radixOfD + ranksOfD[r];
  } else {
    for (std::size_t r = 0; r < rowCount; ++r) {
      keys[r] = (keys[r] * radixOfC + ranksOfC[r]) * radixOfD + ranksOfD[r];
    }
  }
}

}  // namespace

void SignatureFilter::Filter(const SymbolClasses& classes, ColumnSpan left,
                             std::vector<Row>& rows) {
  // Past its first count, the columns that group rows alike after one of each.
  if (left.size() > 2) left = likeColumns_.Order(classes, left);
  // The listed rows are few: a column whose shared cells are one class is met by a test of
  // each one's bit, not by words of every row.
  TellingColumns(classes, left, false);
  keysExact_ = false;
  firstsKnown_ = false;
  keys_.assign(rows.size(), 0);
  FilterFrom(classes, left, 0, 2, rows);
}

void SignatureFilter::FilterAll(const SymbolClasses& classes, ColumnSpan left,
                                std::vector<Row>& rows) {
  left = likeColumns_.Order(classes, left);
  const ColumnSpan telling = TellingColumns(classes, left, true);
  // What was kept for another tableau says nothing of this one.
  if (keptIdentity_ != classes.Identity()) {
    keptForKey_.clear();
    keptWords_ = 0;
    seenOnce_.clear();
    keptIdentity_ = classes.Identity();
  }
  const auto known = keptForKey_.find(likeColumns_.Key());
  if (known != keptForKey_.end()) {
    rows = known->second.rows;
    keys_ = known->second.keys;
    keysExact_ = known->second.exact;
    firstsOfKept_ = known->second.firsts;
    firstsKnown_ = keysExact_;
    return;
  }
  keysExact_ = false;
  firstsKnown_ = false;
  const auto rowCount = static_cast<std::uint32_t>(classes.RowNo());
  if (telling.empty()) {
    KeepAllButAlone(rowCount, rows);
    Remember(rows, rowCount);
    return;
  }
  if (directKeys_ && FilterByRanks(classes, telling, rows)) {
    Remember(rows, rowCount);
    return;
  }
  CheckMemoryFor(rowCount, sizeof(std::uint64_t));
  allKeys_.assign(rowCount, 0);
  // A row alone in a column not read gets a key of its own, which no other row's key meets
  // but by chance.
  for (std::size_t w = 0; w < alone_.size(); ++w) {
    ForEachRowIn(alone_[w], w, [&](Row r) { allKeys_[r] = Mix(~std::uint64_t{0}, r); });
  }
  std::size_t read = 0;
  for (std::size_t nextCount = 4;; nextCount *= 2) {
    const std::size_t count = std::min(nextCount, telling.size());
    MixColumns(classes, {telling.begin() + read, telling.begin() + count});
    likeColumns_.Earn((count - read) * rowCount);
    read = count;
    MarkRepeated(allKeys_.data(), rowCount);
    KeepRepeated(rowCount, allKeys_, rows);
    if (read == telling.size()) break;
    // Once few rows are kept, a look at each listed row costs less than whole columns.
    if (4 * rows.size() < rowCount) {
      FilterFrom(classes, telling, read, nextCount * 2, rows);
      break;
    }
  }
  Remember(rows, rowCount);
}

bool SignatureFilter::FilterByRanks(const SymbolClasses& classes, ColumnSpan telling,
                                    std::vector<Row>& rows) {
  const std::size_t rowCount = classes.RowNo();
  // Keys of more digits than kMostDirectKeys: where the digits so far would pass a bound with
  // the next column's, the keys so far are numbered again first, by their rows: a number per
  // key that a row has, so no more numbers than rows. The plan takes the most each step may
  // give. Only for a side of a few columns: every column is read for every row here, where
  // hashed keys read the columns of a long side for the rows still kept.
  renumberBefore_.assign(telling.size(), 0);
  std::size_t keyCount = 1;
  for (const Column c : telling) {
    const std::size_t radix = std::size_t{classes.SharedClassCount(c)} + 1;
    if (radix >= UINT16_MAX) return false;
    keyCount = std::min(keyCount * radix, kMostDirectKeys + 1);
  }
  if (keyCount > kMostDirectKeys) {
    if (telling.size() > kMostNumberedColumns) return false;
    keyCount = 1;
    for (std::size_t i = 0; i < telling.size(); ++i) {
      const std::size_t radix = std::size_t{classes.SharedClassCount(telling[i])} + 1;
      if (keyCount * radix > kMostDirectKeys) {
        if (i == 0) return false;
        renumberBefore_[i] = static_cast<std::uint32_t>(keyCount);  // the keys' bound
        keyCount = std::min(keyCount, rowCount);
        if (keyCount * radix > kMostDirectKeys) return false;
      }
      keyCount *= radix;
    }
  }
  CheckMemoryFor(rowCount, sizeof(std::uint32_t));
  rankKeys_.resize(rowCount);  // the first pass writes every key, unread
  ranks_.Trim(classes);
  const ColumnBits& shared = classes.Shared();
  std::uint32_t* keys = rankKeys_.data();
  for (std::size_t i = 0; i < telling.size();) {
    if (renumberBefore_[i] != 0) Renumber(rowCount, renumberBefore_[i]);
    // Two columns a pass where no numbering comes between them: a pass per column reads and
    // writes every row's key once more.
    const Column c = telling[i];
    const std::uint16_t* ranksOfC = ranks_.Of(classes, c);
    const std::uint32_t radixOfC = classes.SharedClassCount(c) + 1;
    // A row alone in a column, of number 0, agrees with no row.
    MarkAlone(shared.Words(c));
    if (i + 1 == telling.size() || renumberBefore_[i + 1] != 0) {
      AddDigits(keys, rowCount, i == 0, ranksOfC, radixOfC, nullptr, 0);
      i += 1;
      continue;
    }
    const Column d = telling[i + 1];
    const std::uint16_t* ranksOfD = ranks_.Of(classes, d);
    const std::uint32_t radixOfD = classes.SharedClassCount(d) + 1;
    MarkAlone(shared.Words(d));
    AddDigits(keys, rowCount, i == 0, ranksOfC, radixOfC, ranksOfD, radixOfD);
    i += 2;
  }
  likeColumns_.Earn(telling.size() * rowCount);
  if (!alone_.empty()) alone_.back() &= RowsInWord(rowCount, alone_.size() - 1);
  // The rows alone in a column are counted under one key past all others, and never marked:
  // so every row is counted in one plain loop, with no test of which rows to skip.
  const std::size_t sink = keyCount;
  for (std::size_t w = 0; w < alone_.size(); ++w) {
    ForEachRowIn(alone_[w], w, [&](Row r) { keys[r] = static_cast<std::uint32_t>(sink); });
  }
  if (directCounts_.size() < keyCount + 1) {
    CheckMemoryFor(keyCount + 1, sizeof(DirectCount));
    directCounts_.resize(keyCount + 1, 0);
  }
  if (++directRound_ == kDirectRounds) {  // the counts' numbers would come round again
    std::fill(directCounts_.begin(), directCounts_.end(), 0);
    directRound_ = 1;
  }
  // First every key is counted, then the rows whose key more than one had are marked. Without
  // a branch: the processor could not foresee which rows are the first of their key. The
  // table and the look's number are read through locals, which the counts' stores cannot be
  // taken to change.
  DirectCount* counts = directCounts_.data();
  const DirectCount round = directRound_;
  const auto once = static_cast<DirectCount>(4 * round + 1);
  const auto more = static_cast<DirectCount>(once + 1);
  // A count left by an earlier look is below once: the looks' numbers only grow.
  for (std::size_t r = 0; r < rowCount; ++r) {
    DirectCount& count = counts[keys[r]];
    count = static_cast<DirectCount>(once + (count >= once ? 1 : 0));
  }
  // A byte per row, then eight bytes to eight bits at once: a bit put in place per row costs
  // a shift by a varying count and an or that waits on the one before.
  const std::size_t words = alone_.size();
  CheckMemoryFor(64 * words, sizeof(std::uint8_t));
  repeatedBytes_.resize(64 * words);  // whole words
  std::uint8_t* flags = repeatedBytes_.data();
  for (std::size_t r = 0; r < rowCount; ++r) flags[r] = counts[keys[r]] == more ? 1 : 0;
  std::fill(flags + rowCount, flags + 64 * words, std::uint8_t{0});  // an earlier tableau's
  repeated_.resize(rowCount / 64 + 1);  // all clear: ForEachRepeated clears what it reads
  std::uint64_t* repeated = repeated_.data();
  const std::uint64_t* alone = alone_.data();
  for (std::size_t w = 0; w < words; ++w) {
    std::uint64_t marked = 0;
    for (std::size_t b = 0; b < 8; ++b) {
      marked |= ((EightBytes(flags + 64 * w + 8 * b) * kGatherBits) >> 56) << (8 * b);
    }
    repeated[w] = marked & ~alone[w];
  }
  KeepRepeatedPlacingFirsts(rowCount, more, rows);
  keysExact_ = true;
  return true;
}

void SignatureFilter::Renumber(std::size_t rowCount, std::size_t keyBound) {
  // The new numbers, plus 1, wait in a table of an entry per key, all 0 between calls: the
  // keys met are listed, and only their entries cleared after. It grows to the largest keys
  // met, not at once to the most: its zeros cost a short run page faults.
  if (numberOfKey_.size() < keyBound) {
    CheckMemoryFor(keyBound, sizeof(std::uint32_t));
    numberOfKey_.resize(keyBound, 0);
  }
  CheckMemoryFor(rowCount + 1, sizeof(std::uint32_t));
  keysMet_.resize(rowCount + 1);  // [0] takes the writes of keys met before
  std::uint32_t* numberOfKey = numberOfKey_.data();
  std::uint32_t* met = keysMet_.data();
  std::uint32_t* keys = rankKeys_.data();
  std::uint32_t count = 0;
  for (std::size_t r = 0; r < rowCount; ++r) {
    // Without a branch: whether a row's key is new is as random as the keys.
    const std::uint32_t key = keys[r];
    const std::uint32_t known = numberOfKey[key];
    const std::uint32_t isNew = known == 0 ? 1 : 0;
    count += isNew;
    const std::uint32_t number = known | (count & (0u - isNew));
    numberOfKey[key] = number;
    met[count & (0u - isNew)] = key;
    keys[r] = number - 1;
  }
  for (std::uint32_t k = 1; k <= count; ++k) numberOfKey[met[k]] = 0;
}

void SignatureFilter::KeepRepeatedPlacingFirsts(std::size_t rowCount, DirectCount more,
                                                std::vector<Row>& rows) {
  // Every key kept is counted more than once; the first row met with it, the lowest, is the
  // first of its key, and the count says the first is placed. Without a branch, as counted.
  const std::size_t count = SizeForRepeated(rowCount, rows);
  if (firstOfKeyRoom_ < directCounts_.size()) {
    // Left as the system gives it: a key's entry is written at its first row before it is
    // read, so only the pages of keys kept are touched, not megabytes zeroed at once.
    CheckMemoryFor(directCounts_.size(), sizeof(std::uint32_t));
    firstOfKey_.reset(new std::uint32_t[directCounts_.size()]);
    firstOfKeyRoom_ = directCounts_.size();
  }
  firstsOfKept_.resize(count);
  // Through plain pointers: a store of a count, a byte, may be taken to change any vector's
  // own pointers, which would then be loaded again for every row.
  DirectCount* counts = directCounts_.data();
  std::uint32_t* firstOfKey = firstOfKey_.get();
  const auto placed = static_cast<DirectCount>(more + 1);
  const std::uint32_t* keysOfRows = rankKeys_.data();
  std::uint64_t* repeated = repeated_.data();
  Row* kept = rows.data();
  std::uint64_t* keys = keys_.data();
  std::uint32_t* firsts = firstsOfKept_.data();
  std::uint32_t k = 0;
  for (std::size_t w = 0; w <= rowCount / 64; ++w) {
    for (std::uint64_t bits = repeated[w]; bits != 0; bits &= bits - 1) {
      const auto r =
          static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
      const std::uint32_t key = keysOfRows[r];
      kept[k] = Row(r);
      keys[k] = key;
      // A mask, not a choice: compilers make a choice a branch, which half the rows mispredict.
      const std::uint32_t first = 0u - static_cast<std::uint32_t>(counts[key] == more);
      const std::uint32_t place = (k & first) | (firstOfKey[key] & ~first);
      firstOfKey[key] = place;
      counts[key] = placed;
      firsts[k++] = place;
    }
    repeated[w] = 0;
  }
  firstsKnown_ = true;
}

ColumnSpan SignatureFilter::TellingColumns(const SymbolClasses& classes, ColumnSpan left,
                                           bool markAlone) {
  // A column whose shared cells are one class tells apart only the rows alone in it, which
  // its bits say: a few words each for columns that nearly every row shares.
  const ColumnBits& shared = classes.Shared();
  telling_.clear();
  alone_.assign(shared.WordsPerColumn(), 0);
  for (const Column c : left) {
    if (classes.SharedClassCount(c) > 1) {
      CheckGrowth(telling_);
      telling_.push_back(c);
    } else if (markAlone) {
      MarkAlone(shared.Words(c));
    }
  }
  // The bits past the last row stand for no row.
  if (!alone_.empty()) alone_.back() &= RowsInWord(classes.RowNo(), alone_.size() - 1);
  return {telling_.data(), telling_.data() + telling_.size()};
}

void SignatureFilter::MarkAlone(const std::uint64_t* sharedWords) {
  // Through plain pointers, which the compiler may take a few words at a time: through the
  // vectors it reloads their data after every store.
  std::uint64_t* alone = alone_.data();
  for (std::size_t w = 0, words = alone_.size(); w < words; ++w) alone[w] |= ~sharedWords[w];
}

void SignatureFilter::KeepAllButAlone(std::size_t rowCount, std::vector<Row>& rows) {
  // No column is read: every row alone in none agrees with every other, and has the key 0.
  // Counted first, then written in place: thousands of sides may each keep most rows.
  std::size_t count = 0;
  for (std::size_t w = 0; w < alone_.size(); ++w) {
    count += CountOnes(~alone_[w] & RowsInWord(rowCount, w));
  }
  if (count < 2) count = 0;
  rows.clear();
  CheckGrowth(rows, count);
  rows.resize(count);
  Row* kept = rows.data();
  for (std::size_t w = 0; w < alone_.size() && count != 0; ++w) {
    ForEachRowIn(~alone_[w] & RowsInWord(rowCount, w), w, [&](Row r) { *kept++ = r; });
  }
  keys_.assign(rows.size(), 0);
}

bool SignatureFilter::Agree(const SymbolClasses& classes, Row a, Row b) const {
  // A plain loop: it runs for each row kept.
  if (IsAlone(a) || IsAlone(b)) return false;
  for (const Column c : telling_) {
    if (!classes.SameClass(a, b, c)) return false;
  }
  return true;
}

void SignatureFilter::Remember(const std::vector<Row>& rows, std::size_t rowCount) {
  std::uint64_t hash = 0;
  for (const std::uint32_t word : likeColumns_.Key()) hash = Mix(hash, Row(word));
  if (seenOnce_.size() > 8 * rowCount + 65536) seenOnce_.clear();
  if (seenOnce_.insert(hash).second) return;
  // Within a few times the rows of the tableau: the rows a side keeps are most often few.
  const std::size_t words = likeColumns_.Key().size() + 3 * rows.size() + 8;
  if (keptWords_ + words > 8 * rowCount + 65536) {
    keptForKey_.clear();
    keptWords_ = 0;
  }
  keptForKey_.emplace(
      likeColumns_.Key(),
      Kept{rows, keys_, firstsKnown_ ? firstsOfKept_ : std::vector<std::uint32_t>{}, keysExact_});
  keptWords_ += words;
}

void SignatureFilter::MixColumns(const SymbolClasses& classes, ColumnSpan columns) {
  // No test of whether a cell shares its class: a cell alone has a label no other cell of the
  // column has, and so makes its row's key unlike the others'. Up to four columns in one pass
  // over the keys.
  const auto rowCount = static_cast<std::uint32_t>(classes.RowNo());
  for (std::size_t i = 0; i < columns.size(); i += 4) {
    const std::size_t block = std::min<std::size_t>(4, columns.size() - i);
    const SymbolClasses::ColumnLabels a = classes.LabelsOf(columns[i]);
    const SymbolClasses::ColumnLabels b = classes.LabelsOf(columns[i + (block > 1 ? 1 : 0)]);
    const SymbolClasses::ColumnLabels c = classes.LabelsOf(columns[i + (block > 2 ? 2 : 0)]);
    const SymbolClasses::ColumnLabels d = classes.LabelsOf(columns[i + (block > 3 ? 3 : 0)]);
    switch (block) {
      case 1:
        for (std::uint32_t r = 0; r < rowCount; ++r) allKeys_[r] = Mix(allKeys_[r], a[r]);
        break;
      case 2:
        for (std::uint32_t r = 0; r < rowCount; ++r) allKeys_[r] = MixTwo(allKeys_[r], a[r], b[r]);
        break;
      case 3:
        for (std::uint32_t r = 0; r < rowCount; ++r) {
          allKeys_[r] = Mix(MixTwo(allKeys_[r], a[r], b[r]), c[r]);
        }
        break;
      default:
        for (std::uint32_t r = 0; r < rowCount; ++r) {
          allKeys_[r] = MixTwo(MixTwo(allKeys_[r], a[r], b[r]), c[r], d[r]);
        }
    }
  }
}

void SignatureFilter::FilterFrom(const SymbolClasses& classes, ColumnSpan left, std::size_t first,
                                 std::size_t nextCount, std::vector<Row>& rows) {
  for (std::size_t i = first; i < left.size() && !rows.empty(); ++i) {
    const Column c = left[i];
    std::size_t kept = 0;
    // Where the shared cells are one class, a row's bit says all its label would.
    const bool telling = classes.SharedClassCount(c) > 1;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const Row r = rows[k];
      // A row alone in its class in one column agrees with no row.
      if (!classes.Shared().Test(r, c)) continue;
      keys_[kept] = telling ? Mix(keys_[k], classes.Label(r, c)) : keys_[k];
      rows[kept++] = r;
    }
    likeColumns_.Earn(rows.size());
    rows.resize(kept);
    keys_.resize(kept);
    if (i + 1 == nextCount || i + 1 == left.size()) {
      DropUnique(rows);
      nextCount *= 2;
    }
  }
}

SignatureFilter::Slot& SignatureFilter::SlotOf(const std::uint64_t* keys, std::size_t k) {
  // Exact keys are compared whole: rows of one key are taken to agree without a comparison.
  const std::uint64_t keyMask = keysExact_ ? ~std::uint64_t{0} : keyMask_;
  const std::uint64_t key = keys[k] & keyMask;
  for (std::size_t i = static_cast<std::size_t>((key * kGoldenRatio64) >> 32) & slotMask_;;
       i = (i + 1) & slotMask_) {
    Slot& slot = slots_[i];
    if (slot.round != round_) {
      slot = {static_cast<std::uint32_t>(k), round_, 1};
      return slot;
    }
    if ((keys[slot.place] & keyMask) == key) return slot;
  }
}

void SignatureFilter::MarkRepeated(const std::uint64_t* keys, std::size_t count) {
  // Four slots or more per key: a slot that another key holds costs a branch the processor
  // cannot foresee, so fewer of them pay for the larger table.
  slotMask_ = StartRound(slots_, round_, 2 * count);
  repeated_.resize(count / 64 + 1);  // all clear: ForEachRepeated clears what it reads
  const auto mark = [&](std::size_t k) { repeated_[k / 64] |= std::uint64_t{1} << (k % 64); };
  for (std::size_t k = 0; k < count; ++k) {
    Slot& slot = SlotOf(keys, k);
    if (slot.place == k) continue;
    if (slot.count == 1) mark(slot.place);
    slot.count = 2;
    mark(k);
  }
}

const std::vector<std::uint32_t>& SignatureFilter::FirstsOfKept() {
  if (firstsKnown_) return firstsOfKept_;
  slotMask_ = StartRound(slots_, round_, keys_.size());
  firstsOfKept_.resize(keys_.size());
  for (std::size_t k = 0; k < keys_.size(); ++k) firstsOfKept_[k] = SlotOf(keys_.data(), k).place;
  return firstsOfKept_;
}

template <typename Visit>
void SignatureFilter::ForEachRepeated(std::size_t count, Visit visit) {
  for (std::size_t w = 0; w <= count / 64; ++w) {
    for (std::uint64_t bits = repeated_[w]; bits != 0; bits &= bits - 1) {
      visit(w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
    }
    repeated_[w] = 0;
  }
}

std::size_t SignatureFilter::SizeForRepeated(std::size_t rowCount, std::vector<Row>& rows) {
  // Counted first, then written in place: a side of many agreeing rows keeps thousands.
  std::size_t count = 0;
  for (std::size_t w = 0; w <= rowCount / 64; ++w) count += CountOnes(repeated_[w]);
  rows.clear();
  keys_.clear();
  CheckGrowth(rows, count);
  CheckGrowth(keys_, count);
  rows.resize(count);
  keys_.resize(count);
  return count;
}

void SignatureFilter::KeepRepeated(std::size_t rowCount,
                                   const std::vector<std::uint64_t>& keysOfRows,
                                   std::vector<Row>& rows) {
  SizeForRepeated(rowCount, rows);
  std::size_t k = 0;
  ForEachRepeated(rowCount, [&](std::size_t r) {
    rows[k] = Row(static_cast<std::uint32_t>(r));
    keys_[k++] = keysOfRows[r];
  });
}

void SignatureFilter::DropUnique(std::vector<Row>& rows) {
  MarkRepeated(keys_.data(), rows.size());
  std::size_t kept = 0;
  ForEachRepeated(rows.size(), [&](std::size_t k) {
    keys_[kept] = keys_[k];
    rows[kept++] = rows[k];
  });
  rows.resize(kept);
  keys_.resize(kept);
}
