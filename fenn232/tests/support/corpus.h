// Seeded generated documents for tests and the benchmark: prose-like text
// from a fixed vocabulary, a few-line edit of it, and a binary file with a
// few changed regions. The same seed always gives the same bytes.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace fenn {

class Corpus {
public:
    explicit Corpus(uint32_t seed);
    std::vector<uint8_t> text(size_t size);
    // Replaces, inserts or deletes `edits` lines at random places.
    std::vector<uint8_t> editLines(const std::vector<uint8_t>& text, int edits);
    std::vector<uint8_t> binary(size_t size);
    std::vector<uint8_t> patchRegions(const std::vector<uint8_t>& data, int regions, size_t regionSize);

private:
    std::vector<uint8_t> line();
    std::mt19937 rng_;
    std::vector<std::vector<uint8_t>> words_;
};

}  // namespace fenn
