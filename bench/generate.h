#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Deterministic input files for the benchmark: the same shape and seed always give the same
// bytes, on any platform (the generator uses its own random numbers, not the library's).
struct Shape {
  std::string name;
  std::size_t schemas;       // sub-schemas: rows of the tableau
  std::size_t attributes;    // attributes: columns of the tableau
  std::size_t dependencies;  // dependency lines
};

// Random sub-schemas of about attributes / 10 names (every attribute in at least one), and
// dependencies with 1 to 4 left-hand names and one right-hand name: a discovery run's output.
std::string GenerateDiscovered(const Shape& shape, std::uint64_t seed);

// Sub-schema s holds attributes s and s + 1 (modulo the count); the dependencies form chains
// a0->a1, a1->a2, ..., listed last link first, so that a plain chase needs a pass per link.
std::string GenerateReverseChains(const Shape& shape);

// Sub-schemas of 2 to 12 random attributes (every attribute in at least one), dependencies
// of 1 to 3 random attributes -> 1 to 3 random attributes.
std::string GenerateRandom(const Shape& shape, std::uint64_t seed);

// The adversarial "hub": about a tenth of the dependencies are readers h,f->z_k, which have h
// on their left-hand side; the rest are links c_i,z->h, listed last link first, each of which
// makes one more chain row agree with row 1 on h, and only after the previous link and the
// readers did their part. The other rows are fillers that hold h and f; further attributes
// pad them. Lossy.
std::string GenerateHub(const Shape& shape);

// What a dependency-discovery run produces: sub-schemas of 60 to 120 attributes (every
// attribute in at least one), dependencies of 1 to 4 attributes -> 1.
std::string GenerateMined(const Shape& shape, std::uint64_t seed);

// What costs the reader and not the chase: sub-schemas of attributes names that each begin with
// a blank, so that every one draws a warning, then dependencies empty lines.
std::string GenerateBlankNames(const Shape& shape);

// Sub-schemas A,B, then one dependency line whose right-hand side names attributes names of no
// sub-schema, each beginning with a blank, then dependencies empty lines.
std::string GenerateUnknownNames(const Shape& shape);

// Rows (a, b) of a grid hold P_a and Q_b; P_a->X and Q_b->Y make every row share its class on X
// with the rows of its a and on Y with those of its b, though no two rows agree on both. Then
// X,Y->R_k, all with that one left-hand side, over the attributes left. One more row holds X, Y
// and every R. Lossy.
std::string GenerateSharedPairs(const Shape& shape);

// The same grid, with forty columns X_k that every row shares: the even ones as P_a gives them,
// the odd ones as Q_b does. Then up to 7,600 dependencies, each from another three of them,
// both kinds among the three, to an R: thousands of distinct left-hand sides on which every
// row shares its classes and no two rows agree. Lossy.
std::string GenerateDistinctTriples(const Shape& shape);

// The same, with rows 0 and 1 holding Z1 and Z2 too, and last Z1,Z2->X_0..X_39: after every
// left-hand side has looked at its rows, a merge in each of its columns. Lossy.
std::string GenerateTouchedTriples(const Shape& shape);

// The same grid, with left-hand sides of 16 of the forty columns, drawn at random: as many
// distinct long left-hand sides, on which no two rows agree once both kinds are among them.
std::string GenerateDistinctLongLeft(const Shape& shape, std::uint64_t seed);

// Rows at the points of a grid in four dimensions (D<k>_v), fifteen columns per dimension as
// its keys give them, and left-hand sides of one of each dimension's columns, drawn at
// random: no two of the four columns tell any two rows apart, all four do. So every
// left-hand side reads every row in four columns, and no two of them share the work.
std::string GenerateDistinctGridSides(const Shape& shape, std::uint64_t seed);

// The same grid in four dimensions, with as many columns per dimension as the attributes
// allow, all alike as their keys give them, and left-hand sides of a quarter of each
// dimension's columns at random, the dimensions one after another: no column of the first
// three dimensions tells two rows apart that another of them does not, and the rows are told
// apart only in the last dimension's columns.
std::string GenerateAlikeColumnSides(const Shape& shape, std::uint64_t seed);

// Rows that each hold D<j>_v for one of twenty values v at random per j, for attributes / 33
// columns X_j that D<j>_v->X_j group at random; then left-hand sides of four X_j at random.
// No two columns group the rows alike, so no two left-hand sides share what they find, and
// some rows agree on each.
std::string GenerateRandomGroupings(const Shape& shape, std::uint64_t seed);
// The same with a right-hand column for every 28 sides or so: every attribute the keys and the
// grouped columns leave, 740 of 2,000, so that each side still reads its rows.
std::string GenerateGroupingsToManyTargets(const Shape& shape, std::uint64_t seed);
// The same with attributes * 7 / 200 grouped columns of fourteen classes each (70 at 2,000
// attributes), more than the columns whose class numbers a few hundred thousand rows' worth
// would keep, to the 950 right-hand columns left.
std::string GenerateWideGroupings(const Shape& shape, std::uint64_t seed);
// The columns of GenerateGroupingsToManyTargets, in left-hand sides of five: 21^5 keys, more
// than a table of exact keys holds, which are numbered again by their rows before the fifth.
std::string GenerateFineGroupings(const Shape& shape, std::uint64_t seed);

// Rows that each hold all of attributes / 20 keys K_j but one, the (r mod keys)-th: K_j->X_j
// makes each X_j one class but for the rows without K_j, alone. Then left-hand sides of half
// the X_j at random, to the other attributes' columns R_k in turn: every row that is alone in
// none of a side's columns agrees with every other such row.
std::string GenerateNearlyOneClass(const Shape& shape, std::uint64_t seed);

// As the shared pairs, with the first row twice, so that two rows agree on X and Y, and ten
// columns Y_g that Q_b gives alike: the dependencies X,Y_g->R_k bring each of ten left-hand
// sides column after column while some of its rows agree.
std::string GenerateAgreeingPairs(const Shape& shape);

// Row 0 holds L_1..L_m and Z; the other rows hold K. First the dependencies L_1,...,L_m->Z_d,
// then K->L_1, K->L_2, ..., which make the other rows' cells of the left-hand side shared one
// column at a time, in ascending order. Attributes: m + 1 + dependencies.
std::string GenerateAscendingLeft(const Shape& shape);

// As the long left-hand side above, but the rows first agree on it in pairs (A_i->L_1..L_m),
// then in fours (B_i->...), and so on: each regrouping relabels the cells of half the rows.
// Attributes: m columns of the left-hand side; dependencies: the long ones.
std::string GenerateRegrouped(const Shape& shape);

// Row 0 holds T_1..T_n; the other rows hold K. Dependencies from K to 20 random T each.
std::string GenerateKeyFan(const Shape& shape, std::uint64_t seed);

// As the key fan, with the one dependency K->T_1,...,T_19 every time.
std::string GenerateKeyRepeated(const Shape& shape);

// Row 0 holds T_1..T_n; the other rows hold K; one dependency K->T_1,...,T_n merges every cell.
std::string GenerateKeyToAll(const Shape& shape);

// One sub-schema that names A attributes times, and as many names again in other sub-schemas.
std::string GenerateRepeatedName(const Shape& shape);

// One sub-schema of attributes names.
std::string GenerateWideSchema(const Shape& shape);
// The same with names of base-36 digits, all of the fewest digits that number the attributes:
// as many names as a file of its size can hold, as 8 million in 48 MB.
std::string GenerateShortWideSchema(const Shape& shape);
// The same after schemas - 1 sub-schemas of two names each: the long line is not the first.
std::string GenerateLateWideSchema(const Shape& shape);
// A sub-schema of attributes names beside short ones, schemas in all (at least 3), and
// dependencies that only the chase decides, on three of the names and the short sub-schemas.
std::string GenerateWideBesideChased(const Shape& shape);
// One sub-schema of attributes names of three bytes, then four, over every byte that a name may
// hold without a warning, those above 127 among them: more names than letters and digits give
// a file of its size, as 11.4 million in 50 MB.
std::string GenerateByteNames(const Shape& shape);

// Names of nine letters, each word in all 512 of its cases, as many as attributes says. With
// more than one sub-schema, sub-schema s leaves out every name a with a % schemas == s; the
// dependencies link each name to the next.
std::string GenerateCaseVariants(const Shape& shape);

// Sub-schemas of a tenth of the attributes at random, and dependencies from a fifth of them
// at random to one: long left-hand sides in which few rows are distinguished throughout.
std::string GenerateLongLeft(const Shape& shape, std::uint64_t seed);

// An acyclic decomposition as the 4NF algorithm makes one: each sub-schema after the first
// holds a block of attributes of its own and shares 1 to 3 with an earlier one. The
// dependencies are the multivalued ones of that join tree (one per sub-schema after the
// first), then functional ones of 1 to 3 attributes -> 1, every seventh a multivalued one of
// 1 to 3 -> 1 to 5. Lossless.
std::string GenerateAcyclicMixed(const Shape& shape, std::uint64_t seed);

// text, a functional input of sub-schemas, a blank line and dependencies, with one more row
// whose closure is every attribute though the chase never changes it: a fresh name Z, with the
// attributes that no dependency names, and Z->every attribute that one names. A lossy input
// stays lossy, its chase does the same work, but no longer can the closures of the rows
// decide it before the chase.
std::string WithRowDeterminingAll(const std::string& text);
