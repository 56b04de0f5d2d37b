#include "generate.h"

#include <algorithm>
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
    std::sort(schema.begin(), schema.end());
    schema.erase(std::unique(schema.begin(), schema.end()), schema.end());
    AppendList(text, schema);
    text += '\n';
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
