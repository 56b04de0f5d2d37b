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
