#include "generate.h"

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }

 private:
  std::uint64_t state_;
};

std::string Name(std::size_t attribute) { return "a" + std::to_string(attribute); }

void AppendList(std::string& text, const std::vector<std::size_t>& attributes) {
  for (std::size_t i = 0; i < attributes.size(); ++i) {
    if (i != 0) text += ',';
    text += Name(attributes[i]);
  }
}

// A sub-schema line of attributes, in order and each once.
void AppendSchema(std::string& text, std::vector<std::size_t> attributes) {
  std::sort(attributes.begin(), attributes.end());
  attributes.erase(std::unique(attributes.begin(), attributes.end()), attributes.end());
  AppendList(text, attributes);
  text += '\n';
}

}  // namespace

std::string GenerateDiscovered(const Shape& shape, std::uint64_t seed) {
  Random random(seed);
  const std::size_t n = shape.attributes;
  std::string text;
  for (std::size_t s = 0; s < shape.schemas; ++s) {
    std::vector<std::size_t> schema;
    for (std::size_t a = s; a < n; a += shape.schemas) schema.push_back(a);  // coverage
    for (std::size_t extra = std::max<std::size_t>(1, n / 10); extra > 0; --extra) {
      schema.push_back(random.Below(n));
    }
    AppendSchema(text, std::move(schema));
  }
  text += '\n';
  for (std::size_t j = 0; j < shape.dependencies; ++j) {
    std::vector<std::size_t> left(1 + random.Below(4));
    for (std::size_t& a : left) a = random.Below(n);
    AppendList(text, left);
    text += "->" + Name(random.Below(n)) + '\n';
  }
  return text;
}

std::string GenerateReverseChains(const Shape& shape) {
  const std::size_t n = shape.attributes;
  std::string text;
  for (std::size_t s = 0; s < shape.schemas; ++s) {
    AppendList(text, {s % n, (s + 1) % n});
    text += '\n';
  }
  text += '\n';
  // Link i of chain c: a_i (and, past the first chain, a second name) -> a_{i+1}.
  const std::size_t links = n - 1;
  for (std::size_t t = shape.dependencies; t-- > 0;) {
    std::size_t i = t % links;
    std::vector<std::size_t> left = {i};
    if (t >= links) left.push_back((i + 2 + t / links) % n);
    AppendList(text, left);
    text += "->" + Name(i + 1) + '\n';
  }
  return text;
}

namespace {

// count distinct attributes below n, in ascending order.
std::vector<std::size_t> DistinctAttributes(Random& random, std::size_t count, std::size_t n,
                                            std::vector<std::size_t> chosen = {}) {
  count = std::min(count, n);
  while (chosen.size() < count) {
    chosen.push_back(random.Below(n));
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  }
  return chosen;
}

}  // namespace

std::string GenerateRandom(const Shape& shape, std::uint64_t seed) {
  Random random(seed);
  const std::size_t n = shape.attributes;
  std::string text;
  for (std::size_t s = 0; s < shape.schemas; ++s) {
    std::vector<std::size_t> cover;
    for (std::size_t a = s; a < n; a += shape.schemas) cover.push_back(a);
    AppendList(text, DistinctAttributes(random, 2 + random.Below(11), n, cover));
    text += '\n';
  }
  text += '\n';
  for (std::size_t j = 0; j < shape.dependencies; ++j) {
    AppendList(text, DistinctAttributes(random, 1 + random.Below(3), n));
    text += "->";
    AppendList(text, DistinctAttributes(random, 1 + random.Below(3), n));
    text += '\n';
  }
  return text;
}

namespace {

// count distinct attributes below all.size(), in random order: the first count of a partial
// shuffle of all, which holds every attribute once and is left holding them so.
std::vector<std::size_t> Sample(Random& random, std::size_t count, std::vector<std::size_t>& all) {
  count = std::min(count, all.size());
  for (std::size_t i = 0; i < count; ++i) std::swap(all[i], all[i + random.Below(all.size() - i)]);
  return std::vector<std::size_t>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count));
}

}  // namespace

std::string GenerateLongLeft(const Shape& shape, std::uint64_t seed) {
  Random random(seed);
  const std::size_t n = std::max<std::size_t>(shape.attributes, 1);
  std::vector<std::size_t> all(n);
  for (std::size_t a = 0; a < n; ++a) all[a] = a;
  std::string text;
  for (std::size_t s = 0; s < shape.schemas; ++s) {
    std::vector<std::size_t> schema = Sample(random, n / 10, all);
    for (std::size_t a = s; a < n; a += shape.schemas) schema.push_back(a);
    AppendSchema(text, std::move(schema));
  }
  text += '\n';
  for (std::size_t j = 0; j < shape.dependencies; ++j) {
    AppendList(text, Sample(random, std::max<std::size_t>(n / 5, 1), all));
    text += "->" + Name(random.Below(n)) + '\n';
  }
  return text;
}

std::string GenerateHub(const Shape& shape) {
  const std::size_t readers = std::max<std::size_t>(1, shape.dependencies / 11);
  const std::size_t links = std::max<std::size_t>(1, shape.dependencies - readers);
  const std::size_t fillers = shape.schemas > links + 1 ? shape.schemas - links - 1 : 1;
  // Attribute numbers: 0 is h, 1 is f, then c_1..c_{links+1}, z_1..z_readers, padding.
  auto c = [](std::size_t i) { return 1 + i; };
  auto z = [&](std::size_t k) { return c(links + 1) + k; };
  auto zOfLink = [&](std::size_t i) { return z(1 + i % readers); };
  const std::size_t padBase = z(readers) + 1;
  const std::size_t pads = shape.attributes > padBase ? shape.attributes - padBase : 0;
  std::string text;
  std::vector<std::size_t> first = {0, 1, c(1)};
  for (std::size_t k = 1; k <= readers; ++k) first.push_back(z(k));
  AppendList(text, first);
  text += '\n';
  // Chain row i holds c_i and c_{i+1}, and the z of link i.
  for (std::size_t i = 1; i <= links; ++i) {
    std::vector<std::size_t> row = {1, c(i), c(i + 1), zOfLink(i)};
    std::sort(row.begin(), row.end());
    AppendList(text, row);
    text += '\n';
  }
  for (std::size_t r = 0; r < fillers; ++r) {
    std::vector<std::size_t> filler = {0, 1};
    for (std::size_t p = padBase + r % std::max<std::size_t>(pads, 1); p < padBase + pads;
         p += fillers) {
      filler.push_back(p);
    }
    AppendList(text, filler);
    text += '\n';
  }
  text += '\n';
  // Link i makes chain row i agree with row 1 on h, once row i - 1 does and the readers gave
  // it the z of link i.
  for (std::size_t i = links; i > 0; --i) {
    text += Name(c(i)) + ',' + Name(zOfLink(i)) + "->" + Name(0) + '\n';
  }
  for (std::size_t k = 1; k <= readers; ++k) {
    text += Name(0) + ',' + Name(1) + "->" + Name(z(k)) + '\n';
  }
  return text;
}

std::string GenerateMined(const Shape& shape, std::uint64_t seed) {
  Random random(seed);
  const std::size_t n = shape.attributes;
  std::string text;
  for (std::size_t s = 0; s < shape.schemas; ++s) {
    std::vector<std::size_t> cover;
    for (std::size_t a = s; a < n; a += shape.schemas) cover.push_back(a);
    std::size_t size = std::max(cover.size(), 60 + random.Below(61));
    AppendList(text, DistinctAttributes(random, size, n, cover));
    text += '\n';
  }
  text += '\n';
  for (std::size_t j = 0; j < shape.dependencies; ++j) {
    AppendList(text, DistinctAttributes(random, 1 + random.Below(4), n));
    text += "->" + Name(random.Below(n)) + '\n';
  }
  return text;
}

std::string GenerateBlankNames(const Shape& shape) {
  std::string text;
  for (std::size_t s = 0; s < shape.schemas; ++s) {
    for (std::size_t a = 0; a < shape.attributes; ++a) text += (a == 0 ? " " : ", ") + Name(a);
    text += '\n';
  }
  text.append(shape.dependencies + 1, '\n');
  return text;
}

std::string GenerateUnknownNames(const Shape& shape) {
  std::string text;
  for (std::size_t s = 0; s < shape.schemas; ++s) text += "A,B\n";
  text += "\nA->";
  for (std::size_t a = 0; a < shape.attributes; ++a)
    text += (a == 0 ? " u" : ", u") + std::to_string(a);
  text += '\n';
  text.append(shape.dependencies, '\n');
  return text;
}

namespace {

std::string Named(const char* prefix, std::size_t i) { return prefix + std::to_string(i); }

std::string NamedList(const char* prefix, std::size_t first, std::size_t end) {
  std::string text;
  for (std::size_t i = first; i < end; ++i) text += (i == first ? "" : ",") + Named(prefix, i);
  return text;
}

std::size_t SquareRootUp(std::size_t n) {
  std::size_t root = 1;
  while (root * root < n) ++root;
  return root;
}

}  // namespace

std::string GenerateSharedPairs(const Shape& shape) {
  const std::size_t rows = std::max<std::size_t>(shape.schemas, 2);
  const std::size_t side = SquareRootUp(rows);
  const std::size_t reads = std::max<std::size_t>(
      1, shape.attributes > 2 * side + 2 ? shape.attributes - 2 * side - 2 : 1);
  std::string text;
  for (std::size_t i = 0; i + 1 < rows; ++i)
    text += Named("P", i % side) + ',' + Named("Q", i / side) + '\n';
  text += "X,Y," + NamedList("R", 0, reads) + "\n\n";
  for (std::size_t a = 0; a < std::min(side, rows - 1); ++a) text += Named("P", a) + "->X\n";
  for (std::size_t b = 0; b * side < rows - 1; ++b) text += Named("Q", b) + "->Y\n";
  for (std::size_t k = 0; k < shape.dependencies; ++k)
    text += "X,Y->" + Named("R", k % reads) + '\n';
  return text;
}

std::string GenerateAgreeingPairs(const Shape& shape) {
  const std::size_t rows = std::max<std::size_t>(shape.schemas, 3);
  const std::size_t side = SquareRootUp(rows - 1);
  constexpr std::size_t kSides = 10;
  const std::size_t used = 2 * side + 1 + kSides;
  const std::size_t reads = shape.attributes > used + 1 ? shape.attributes - used : 1;
  // The first row twice: those two agree on X and on every Y_g.
  std::string text = Named("P", 0) + ',' + Named("Q", 0) + '\n';
  for (std::size_t i = 0; i + 2 < rows; ++i)
    text += Named("P", i % side) + ',' + Named("Q", i / side) + '\n';
  text += "X," + NamedList("Y", 0, kSides) + ',' + NamedList("R", 0, reads) + "\n\n";
  for (std::size_t a = 0; a < side; ++a) text += Named("P", a) + "->X\n";
  for (std::size_t b = 0; b * side < rows - 2; ++b)
    text += Named("Q", b) + "->" + NamedList("Y", 0, kSides) + '\n';
  for (std::size_t k = 0; k < shape.dependencies; ++k) {
    text += "X," + Named("Y", k / reads % kSides) + "->" + Named("R", k % reads) + '\n';
  }
  return text;
}

namespace {

constexpr std::size_t kGridShared = 40;  // X_0..X_39: the even ones from P, the odd from Q

// The grid of the distinct left-hand sides: rows (a, b) that hold P_a and Q_b, with marked
// ones that also hold Z1 and Z2, one row of every X and R, and the keys P_a->X_even and
// Q_b->X_odd. Returns how many R columns there are.
std::size_t AppendSharedGrid(std::string& text, const Shape& shape, std::size_t marked) {
  const std::size_t rows = std::max<std::size_t>(shape.schemas, 2);
  const std::size_t side = SquareRootUp(rows);
  const std::size_t used = 2 * side + kGridShared;
  const std::size_t reads = shape.attributes > used + 1 ? shape.attributes - used : 1;
  for (std::size_t i = 0; i < rows; ++i) {
    text += Named("P", i % side) + ',' + Named("Q", i / side) + (i < marked ? ",Z1,Z2\n" : "\n");
  }
  text += NamedList("X", 0, kGridShared) + ',' + NamedList("R", 0, reads) + "\n\n";
  std::string even;
  std::string odd;
  for (std::size_t k = 0; k < kGridShared; ++k) {
    (k % 2 == 0 ? even : odd) += ",X" + std::to_string(k);
  }
  for (std::size_t a = 0; a < side; ++a) text += Named("P", a) + "->" + even.substr(1) + '\n';
  for (std::size_t b = 0; b * side < rows; ++b) text += Named("Q", b) + "->" + odd.substr(1) + '\n';
  return reads;
}

// Every three of the shared columns with both kinds among them, in a fixed order, each to an
// R, up to shape.dependencies of them.
void AppendDistinctTriples(std::string& text, const Shape& shape, std::size_t reads) {
  std::size_t made = 0;
  for (std::size_t x = 0; x < kGridShared && made < shape.dependencies; ++x) {
    for (std::size_t y = x + 1; y < kGridShared && made < shape.dependencies; ++y) {
      for (std::size_t z = y + 1; z < kGridShared && made < shape.dependencies; ++z) {
        if (x % 2 == y % 2 && y % 2 == z % 2) continue;
        text += Named("X", x) + ',' + Named("X", y) + ',' + Named("X", z) + "->" +
                Named("R", made % reads) + '\n';
        ++made;
      }
    }
  }
}

}  // namespace

std::string GenerateDistinctTriples(const Shape& shape) {
  std::string text;
  AppendDistinctTriples(text, shape, AppendSharedGrid(text, shape, 0));
  return text;
}

std::string GenerateTouchedTriples(const Shape& shape) {
  std::string text;
  AppendDistinctTriples(text, shape, AppendSharedGrid(text, shape, 2));
  // Rows 0 and 1, (0, 0) and (1, 0), agree on Z1,Z2: every shared column merges a's 0 and 1.
  text += "Z1,Z2->" + NamedList("X", 0, kGridShared) + '\n';
  return text;
}

std::string GenerateDistinctLongLeft(const Shape& shape, std::uint64_t seed) {
  std::string text;
  const std::size_t reads = AppendSharedGrid(text, shape, 0);
  Random random(seed);
  std::vector<std::size_t> all(kGridShared);
  for (std::size_t k = 0; k < kGridShared; ++k) all[k] = k;
  // Sixteen of the forty columns: left-hand sides that repeat are rare, and grouped as one.
  for (std::size_t d = 0; d < shape.dependencies; ++d) {
    std::vector<std::size_t> left = Sample(random, 16, all);
    std::sort(left.begin(), left.end());
    for (std::size_t k : left) text += Named("X", k) + ',';
    text.back() = '-';
    text += '>' + Named("R", d % reads) + '\n';
  }
  return text;
}

namespace {

constexpr std::size_t kGridDimensions = 4;

std::string GridColumn(std::size_t k, std::size_t j) {
  return 'X' + std::to_string(k) + '_' + std::to_string(j);
}

// Rows at the points of a grid in four dimensions: each holds D<k>_v for its coordinate v in
// dimension k. Gives the grid's side.
std::size_t AppendGridPoints(std::string& text, std::size_t rows) {
  std::size_t side = 2;
  while (side * side * side * side < rows) ++side;
  for (std::size_t i = 0; i < rows; ++i) {
    std::size_t rest = i;
    for (std::size_t k = 0; k < kGridDimensions; ++k, rest /= side) {
      text += (k == 0 ? "D" : ",D") + std::to_string(k) + '_' + std::to_string(rest % side);
    }
    text += '\n';
  }
  return side;
}

// The grid's keys: D<k>_v->X<k>_0..X<k>_(perDimension - 1), for every dimension and value.
void AppendGridKeys(std::string& text, std::size_t side, std::size_t perDimension) {
  for (std::size_t k = 0; k < kGridDimensions; ++k) {
    std::string right;
    for (std::size_t j = 0; j < perDimension; ++j) right += ',' + GridColumn(k, j);
    for (std::size_t v = 0; v < side; ++v) {
      text += 'D' + std::to_string(k) + '_' + std::to_string(v) + "->" + right.substr(1) + '\n';
    }
  }
}

// The header line of the grid's columns, then every R_i below reads.
void AppendGridColumns(std::string& text, std::size_t perDimension, std::size_t reads) {
  for (std::size_t k = 0; k < kGridDimensions; ++k) {
    for (std::size_t j = 0; j < perDimension; ++j) text += GridColumn(k, j) + ',';
  }
  text += NamedList("R", 0, reads) + "\n\n";
}

}  // namespace

std::string GenerateDistinctGridSides(const Shape& shape, std::uint64_t seed) {
  constexpr std::size_t kPerDimension = 15;  // X<k>_0..X<k>_14, all as D<k> gives them
  std::string text;
  const std::size_t side = AppendGridPoints(text, std::max<std::size_t>(shape.schemas, 2));
  const std::size_t used = kGridDimensions * (side + kPerDimension);
  const std::size_t reads = shape.attributes > used + 1 ? shape.attributes - used : 1;
  AppendGridColumns(text, kPerDimension, reads);
  AppendGridKeys(text, side, kPerDimension);
  // One column of each dimension: 15^4 = 50,625 left-hand sides to draw from; a repeated one
  // joins its group.
  Random random(seed);
  for (std::size_t d = 0; d < shape.dependencies; ++d) {
    for (std::size_t k = 0; k < kGridDimensions; ++k) {
      text += GridColumn(k, random.Below(kPerDimension)) + (k + 1 == kGridDimensions ? "->" : ",");
    }
    text += Named("R", d % reads) + '\n';
  }
  return text;
}

std::string GenerateAlikeColumnSides(const Shape& shape, std::uint64_t seed) {
  std::string text;
  const std::size_t side = AppendGridPoints(text, std::max<std::size_t>(shape.schemas, 2));
  // The attributes left after the keys and four R, split among the dimensions.
  const std::size_t keys = kGridDimensions * side;
  const std::size_t perDimension =
      std::max<std::size_t>((std::max(shape.attributes, keys + 8) - keys - 4) / kGridDimensions, 1);
  const std::size_t drawn = std::max<std::size_t>(perDimension / 4, 1);
  AppendGridColumns(text, perDimension, 4);
  AppendGridKeys(text, side, perDimension);
  // A quarter of each dimension's columns, drawn at random, the dimensions one after another.
  Random random(seed);
  std::vector<std::size_t> all(perDimension);
  for (std::size_t d = 0; d < shape.dependencies; ++d) {
    std::string left;
    for (std::size_t k = 0; k < kGridDimensions; ++k) {
      for (std::size_t j = 0; j < perDimension; ++j) all[j] = j;
      for (std::size_t j = 0; j < drawn; ++j) {
        std::swap(all[j], all[j + random.Below(perDimension - j)]);
      }
      std::sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(drawn));
      for (std::size_t j = 0; j < drawn; ++j) left += GridColumn(k, all[j]) + ',';
    }
    left.back() = '-';
    text += left + '>' + Named("R", d % 4) + '\n';
  }
  return text;
}

namespace {

// Rows that grouped columns group at random into kinds classes each, and left-hand sides of
// sideColumns of them to targets right-hand columns in turn.
std::string Groupings(const Shape& shape, std::uint64_t seed, std::size_t grouped,
                      std::size_t kinds, std::size_t targets, std::size_t sideColumns = 4) {
  const std::size_t rows = std::max<std::size_t>(shape.schemas, 2);
  const auto key = [](std::size_t j, std::size_t v) {
    return 'D' + std::to_string(j) + '_' + std::to_string(v);
  };
  Random random(seed);
  std::string text;
  for (std::size_t i = 0; i < rows; ++i) {
    for (std::size_t j = 0; j < grouped; ++j) {
      text += (j == 0 ? "" : ",") + key(j, random.Below(kinds));
    }
    text += '\n';
  }
  text += NamedList("X", 0, grouped) + ',' + NamedList("R", 0, targets) + "\n\n";
  for (std::size_t j = 0; j < grouped; ++j) {
    for (std::size_t v = 0; v < kinds; ++v) text += key(j, v) + "->" + Named("X", j) + '\n';
  }
  std::vector<std::size_t> all(grouped);
  for (std::size_t d = 0; d < shape.dependencies; ++d) {
    for (std::size_t j = 0; j < grouped; ++j) all[j] = j;
    for (std::size_t j = 0; j < sideColumns; ++j) {
      std::swap(all[j], all[j + random.Below(grouped - j)]);
    }
    for (std::size_t j = 0; j < sideColumns; ++j) {
      text += Named("X", all[j]) + (j + 1 == sideColumns ? "->" : ",");
    }
    text += Named("R", d % targets) + '\n';
  }
  return text;
}

// The attributes that grouped columns of kinds classes each leave, beside their keys, for
// right-hand columns; 4 at least.
std::size_t TargetsBeside(const Shape& shape, std::size_t grouped, std::size_t kinds) {
  const std::size_t used = (kinds + 1) * grouped;
  return shape.attributes > used + 4 ? shape.attributes - used : 4;
}

}  // namespace

std::string GenerateRandomGroupings(const Shape& shape, std::uint64_t seed) {
  return Groupings(shape, seed, std::max<std::size_t>(shape.attributes / 33, 4), 20, 4);
}

std::string GenerateGroupingsToManyTargets(const Shape& shape, std::uint64_t seed) {
  const std::size_t grouped = std::max<std::size_t>(shape.attributes / 33, 4);
  return Groupings(shape, seed, grouped, 20, TargetsBeside(shape, grouped, 20));
}

std::string GenerateWideGroupings(const Shape& shape, std::uint64_t seed) {
  const std::size_t grouped = std::max<std::size_t>(shape.attributes * 7 / 200, 4);
  return Groupings(shape, seed, grouped, 14, TargetsBeside(shape, grouped, 14));
}

std::string GenerateFineGroupings(const Shape& shape, std::uint64_t seed) {
  const std::size_t grouped = std::max<std::size_t>(shape.attributes / 33, 5);
  return Groupings(shape, seed, grouped, 20, TargetsBeside(shape, grouped, 20), 5);
}

std::string GenerateNearlyOneClass(const Shape& shape, std::uint64_t seed) {
  const std::size_t rows = std::max<std::size_t>(shape.schemas, 2);
  const std::size_t keys = std::max<std::size_t>(shape.attributes / 20, 4);
  const std::size_t targets = std::max<std::size_t>(shape.attributes, 2 * keys + 1) - 2 * keys;
  // Row r holds every K_j but K_(r mod keys): K_j->X_j makes X_j one class and the cells of
  // the rows without K_j alone.
  std::string text;
  for (std::size_t r = 0; r < rows; ++r) {
    bool first = true;
    for (std::size_t j = 0; j < keys; ++j) {
      if (j == r % keys) continue;
      text += (first ? "" : ",") + Named("K", j);
      first = false;
    }
    text += '\n';
  }
  text += NamedList("X", 0, keys) + ',' + NamedList("R", 0, targets) + "\n\n";
  for (std::size_t j = 0; j < keys; ++j) text += Named("K", j) + "->" + Named("X", j) + '\n';
  Random random(seed);
  std::vector<std::size_t> all(keys);
  for (std::size_t d = 0; d < shape.dependencies; ++d) {
    for (std::size_t j = 0; j < keys; ++j) all[j] = j;
    for (std::size_t j = 0; j < keys / 2; ++j) std::swap(all[j], all[j + random.Below(keys - j)]);
    for (std::size_t j = 0; j < keys / 2; ++j)
      text += Named("X", all[j]) + (j + 1 == keys / 2 ? "->" : ",");
    text += Named("R", d % targets) + '\n';
  }
  return text;
}

std::string GenerateAscendingLeft(const Shape& shape) {
  const std::size_t m = std::max<std::size_t>(shape.attributes, 2);
  const std::size_t longOnes = std::max<std::size_t>(shape.dependencies, 1);
  std::string text = NamedList("L", 0, m) + ',' + NamedList("Z", 0, longOnes) + '\n';
  for (std::size_t r = 1; r < std::max<std::size_t>(shape.schemas, 2); ++r) text += "K\n";
  text += '\n';
  for (std::size_t d = 0; d < longOnes; ++d)
    text += NamedList("L", 0, m) + "->" + Named("Z", d) + '\n';
  for (std::size_t i = 0; i < m; ++i) text += "K->" + Named("L", i) + '\n';
  return text;
}

std::string GenerateRegrouped(const Shape& shape) {
  const std::size_t m = std::max<std::size_t>(shape.attributes, 2);
  const std::size_t rows = std::max<std::size_t>(shape.schemas, 2);
  const std::size_t longOnes = std::max<std::size_t>(shape.dependencies, 1);
  // Row r holds G<level>_<r >> level> for every level: the groups of 2, 4, 8, ... rows.
  std::size_t levels = 1;
  while ((std::size_t{1} << levels) < rows) ++levels;
  std::string text = NamedList("L", 0, m) + ',' + NamedList("Z", 0, longOnes) + '\n';
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t level = 1; level <= levels; ++level) {
      text += (level == 1 ? "" : ",") + Named("G", level) + '_' + std::to_string(r >> level);
    }
    text += '\n';
  }
  text += '\n';
  for (std::size_t d = 0; d < longOnes; ++d)
    text += NamedList("L", 0, m) + "->" + Named("Z", d) + '\n';
  const std::string everyL = NamedList("L", 0, m);
  for (std::size_t level = 1; level <= levels; ++level) {
    for (std::size_t g = 0; g <= (rows - 1) >> level; ++g)
      text += Named("G", level) + '_' + std::to_string(g) + "->" + everyL + '\n';
  }
  return text;
}

namespace {

// Row 0 holds T_0..T_{n-1}, every other row K.
std::string KeyRows(const Shape& shape) {
  std::string text = NamedList("T", 0, std::max<std::size_t>(shape.attributes, 1)) + '\n';
  for (std::size_t r = 1; r < std::max<std::size_t>(shape.schemas, 2); ++r) text += "K\n";
  return text + '\n';
}

}  // namespace

std::string GenerateKeyFan(const Shape& shape, std::uint64_t seed) {
  Random random(seed);
  const std::size_t n = std::max<std::size_t>(shape.attributes, 1);
  std::string text = KeyRows(shape);
  for (std::size_t j = 0; j < shape.dependencies; ++j) {
    text += "K->";
    const std::vector<std::size_t> targets = DistinctAttributes(random, 20, n);
    for (std::size_t i = 0; i < targets.size(); ++i)
      text += (i == 0 ? "" : ",") + Named("T", targets[i]);
    text += '\n';
  }
  return text;
}

std::string GenerateKeyRepeated(const Shape& shape) {
  std::string text = KeyRows(shape);
  const std::string line =
      "K->" + NamedList("T", 0, std::min<std::size_t>(shape.attributes, 19)) + '\n';
  for (std::size_t j = 0; j < shape.dependencies; ++j) text += line;
  return text;
}

std::string GenerateKeyToAll(const Shape& shape) {
  std::string text = KeyRows(shape);
  for (std::size_t j = 0; j < std::max<std::size_t>(shape.dependencies, 1); ++j)
    text += "K->" + NamedList("T", 0, std::max<std::size_t>(shape.attributes, 1)) + '\n';
  return text;
}

std::string GenerateRepeatedName(const Shape& shape) {
  std::string text;
  for (std::size_t s = 0; s < std::max<std::size_t>(shape.schemas, 1); ++s) {
    for (std::size_t i = 0; i < shape.attributes; ++i) text += i == 0 ? "A" : ",A";
    text += '\n';
  }
  text += '\n';
  for (std::size_t j = 0; j < shape.dependencies; ++j) text += "A->A\n";
  return text;
}

std::string GenerateWideSchema(const Shape& shape) {
  std::string text;
  for (std::size_t s = 0; s < std::max<std::size_t>(shape.schemas, 1); ++s)
    text += NamedList("a", 0, shape.attributes) + '\n';
  text += '\n';
  for (std::size_t j = 0; j < shape.dependencies; ++j) text += "a0->a1\n";
  return text;
}

std::string GenerateShortWideSchema(const Shape& shape) {
  std::size_t width = 1;
  for (std::size_t room = 36; room < shape.attributes; room *= 36) ++width;
  std::string text;
  for (std::size_t s = 0; s < std::max<std::size_t>(shape.schemas, 1); ++s) {
    for (std::size_t a = 0; a < shape.attributes; ++a) {
      if (a != 0) text += ',';
      for (std::size_t digit = 0, rest = a; digit < width; ++digit, rest /= 36)
        text += "0123456789abcdefghijklmnopqrstuvwxyz"[rest % 36];
    }
    text += '\n';
  }
  return text + '\n';
}

std::string GenerateByteNames(const Shape& shape) {
  std::string alphabet;
  for (int byte = 33; byte < 256; ++byte) {
    // Commas part names; "#" begins a line that looks like a comment, "->" a dependency, ";"
    // a slip of the separator; DEL is a control character; capitals would make case variants.
    if (std::string_view(",#-;>").find(static_cast<char>(byte)) == std::string_view::npos &&
        byte != 127 && (byte < 'A' || byte > 'Z')) {
      alphabet += static_cast<char>(byte);
    }
  }
  const std::size_t base = alphabet.size();
  const std::size_t threeBytes = base * base * base;
  std::string text;
  for (std::size_t a = 0; a < shape.attributes; ++a) {
    if (a != 0) text += ',';
    const std::size_t width = a < threeBytes ? 3 : 4;
    for (std::size_t digit = 0, rest = a < threeBytes ? a : a - threeBytes; digit < width;
         ++digit, rest /= base) {
      text += alphabet[rest % base];
    }
  }
  return text + "\n\n";
}

std::string GenerateWideBesideChased(const Shape& shape) {
  // Row 0 holds p, q and the first wide name W, row 1 every wide name, row 2 z: W->z makes
  // rows 0 and 1 agree on z, and z->p makes row 1 distinguished on p.
  const std::string first = "w0";
  std::string text = "p,q," + first + '\n' + NamedList("w", 0, shape.attributes) + '\n';
  const std::size_t shorts = shape.schemas < 3 ? 1 : shape.schemas - 2;
  for (std::size_t s = 0; s < shorts; ++s) text += "z" + std::to_string(s) + '\n';
  text += '\n';
  for (std::size_t j = 0; j < std::max<std::size_t>(shape.dependencies, 1); ++j) {
    const std::string z = "z" + std::to_string(j % shorts);
    text += first + "->" + z + '\n' + z + "->p\n";
  }
  return text;
}

std::string GenerateLateWideSchema(const Shape& shape) {
  std::string text;
  for (std::size_t s = 1; s < shape.schemas; ++s)
    text += "p" + std::to_string(s) + ",q" + std::to_string(s) + '\n';
  return text + GenerateShortWideSchema({shape.name, 1, shape.attributes, shape.dependencies});
}

namespace {

// Name a of a file of case variants: word a / 512 of nine small letters, with the capitals
// that the low nine bits of a say.
std::string CaseVariant(std::size_t a) {
  std::string name(9, 'a');
  for (std::size_t k = 0, word = a / 512; k < name.size(); ++k, word /= 26) {
    name[k] = static_cast<char>('a' + word % 26);
    if ((a >> k) & 1) name[k] = static_cast<char>(name[k] - 'a' + 'A');
  }
  return name;
}

}  // namespace

std::string GenerateCaseVariants(const Shape& shape) {
  const std::size_t lines = std::max<std::size_t>(shape.schemas, 1);
  std::string text;
  for (std::size_t s = 0; s < lines; ++s) {
    bool first = true;
    for (std::size_t a = 0; a < shape.attributes; ++a) {
      if (lines > 1 && a % lines == s) continue;
      if (!first) text += ',';
      text += CaseVariant(a);
      first = false;
    }
    text += '\n';
  }
  text += '\n';
  for (std::size_t j = 0; j + 1 < shape.attributes && j < shape.dependencies; ++j)
    text += CaseVariant(j) + "->" + CaseVariant(j + 1) + '\n';
  return text;
}

std::string GenerateAcyclicMixed(const Shape& shape, std::uint64_t seed) {
  Random random(seed);
  const std::size_t k = std::max<std::size_t>(shape.schemas, 1);
  const std::size_t n = std::max(shape.attributes, k);
  // Sub-schema s holds its own block of attributes and shares 1 to 3 of an earlier one's.
  std::vector<std::vector<std::size_t>> schemas(k);
  std::vector<std::size_t> parent(k, 0);
  std::vector<std::vector<std::size_t>> shared(k);
  for (std::size_t s = 0; s < k; ++s) {
    for (std::size_t a = s * n / k; a < (s + 1) * n / k; ++a) schemas[s].push_back(a);
    if (s == 0) continue;
    parent[s] = random.Below(s);
    const std::vector<std::size_t>& from = schemas[parent[s]];
    for (std::size_t i = 1 + random.Below(3); i > 0; --i) {
      const std::size_t a = from[random.Below(from.size())];
      if (std::find(shared[s].begin(), shared[s].end(), a) == shared[s].end())
        shared[s].push_back(a);
    }
    schemas[s].insert(schemas[s].end(), shared[s].begin(), shared[s].end());
  }
  // The attributes of each sub-schema's subtree: children come after their parents.
  std::vector<std::vector<std::uint8_t>> below(k, std::vector<std::uint8_t>(n, 0));
  for (std::size_t s = k; s-- > 0;) {
    for (std::size_t a : schemas[s]) below[s][a] = 1;
    if (s == 0) continue;
    for (std::size_t a = 0; a < n; ++a) below[parent[s]][a] |= below[s][a];
  }
  std::string text;
  for (const std::vector<std::size_t>& schema : schemas) {
    AppendList(text, schema);
    text += '\n';
  }
  text += '\n';
  std::size_t written = 0;
  for (std::size_t s = 1; s < k && written < shape.dependencies; ++s, ++written) {
    std::vector<std::size_t> side;
    for (std::size_t a = 0; a < n; ++a) {
      if (below[s][a] && std::find(shared[s].begin(), shared[s].end(), a) == shared[s].end())
        side.push_back(a);
    }
    AppendList(text, shared[s]);
    text += "->>";
    AppendList(text, side);
    text += '\n';
  }
  for (; written < shape.dependencies; ++written) {
    AppendList(text, DistinctAttributes(random, 1 + random.Below(3), n));
    if (written % 7 == 0) {
      text += "->>";
      AppendList(text, DistinctAttributes(random, 1 + random.Below(5), n));
    } else {
      text += "->" + Name(random.Below(n));
    }
    text += '\n';
  }
  return text;
}

namespace {

// The names of a comma-separated line, or of both sides of a dependency line, as written.
std::vector<std::string> NamesOf(const std::string& line) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= line.size()) {
    const std::size_t arrow = line.find("->", start);
    const std::size_t end = std::min({line.find(',', start), arrow, line.size()});
    if (end > start) names.push_back(line.substr(start, end - start));
    start = end + (end == arrow ? 2 : 1);
  }
  return names;
}

}  // namespace

std::string WithRowDeterminingAll(const std::string& text) {
  const std::size_t rowsEnd = text.find("\n\n");
  if (rowsEnd == std::string::npos) return text;
  std::unordered_set<std::string> held;
  std::unordered_set<std::string> named;
  std::vector<std::string> order;  // the names of the rows, as first written
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    for (std::string& name : NamesOf(text.substr(at, end - at))) {
      if (at > rowsEnd) {
        named.insert(std::move(name));
      } else if (held.insert(name).second) {
        order.push_back(std::move(name));
      }
    }
    at = end + 1;
  }
  std::string fresh = "Z";
  while (held.count(fresh) != 0 || named.count(fresh) != 0) fresh += '_';
  std::string row = fresh;
  std::string right;
  for (const std::string& name : order) {
    if (named.count(name) == 0) {
      row += ',' + name;
    } else {
      right += (right.empty() ? "" : ",") + name;
    }
  }
  std::string result = text.substr(0, rowsEnd + 1) + row + '\n' + text.substr(rowsEnd + 1);
  if (result.back() != '\n') result += '\n';
  if (!right.empty()) result += fresh + "->" + right + '\n';
  return result;
}
