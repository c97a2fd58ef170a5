#include "corpus.h"

#include <algorithm>
#include <cmath>

namespace fenn {

Corpus::Corpus(uint32_t seed) : rng_(seed) {
    for (int i = 0; i < 6000; ++i) {
        std::vector<uint8_t> w(2 + rng_() % 9);
        for (auto& c : w) c = uint8_t('a' + rng_() % 26);
        words_.push_back(w);
    }
}

std::vector<uint8_t> Corpus::line() {
    std::vector<uint8_t> l;
    int n = 4 + int(rng_() % 12);
    for (int i = 0; i < n; ++i) {
        // Zipf-like: common words far more often than rare ones.
        size_t k = size_t(double(words_.size()) * std::pow(double(rng_()) / 4294967296.0, 3.0));
        const auto& w = words_[std::min(k, words_.size() - 1)];
        l.insert(l.end(), w.begin(), w.end());
        l.push_back(i + 1 == n ? '.' : ' ');
    }
    l.push_back('\n');
    return l;
}

std::vector<uint8_t> Corpus::text(size_t size) {
    std::vector<uint8_t> t;
    while (t.size() < size) {
        auto l = line();
        t.insert(t.end(), l.begin(), l.end());
    }
    t.resize(size);
    return t;
}

std::vector<uint8_t> Corpus::editLines(const std::vector<uint8_t>& text, int edits) {
    std::vector<uint8_t> t = text;
    for (int e = 0; e < edits; ++e) {
        if (t.empty()) {
            t = line();
            continue;
        }
        size_t at = rng_() % t.size();
        while (at > 0 && t[at - 1] != '\n') --at;
        size_t end = at;
        while (end < t.size() && t[end] != '\n') ++end;
        if (end < t.size()) ++end;
        int kind = int(rng_() % 3);
        std::vector<uint8_t> l = line();
        if (kind == 0) {  // replace the line
            t.erase(t.begin() + long(at), t.begin() + long(end));
            t.insert(t.begin() + long(at), l.begin(), l.end());
        } else if (kind == 1) {  // insert a line
            t.insert(t.begin() + long(at), l.begin(), l.end());
        } else {  // delete the line
            t.erase(t.begin() + long(at), t.begin() + long(end));
        }
    }
    return t;
}

std::vector<uint8_t> Corpus::binary(size_t size) {
    // Records with structure: counters, small values and runs, the way
    // databases and object files look; it compresses, but not like text.
    std::vector<uint8_t> b(size);
    uint32_t counter = 0;
    for (size_t i = 0; i < size; i += 16) {
        uint32_t r = rng_();
        uint8_t record[16] = {uint8_t(counter), uint8_t(counter >> 8), uint8_t(counter >> 16), 0,
                              uint8_t(r & 0x0F), uint8_t((r >> 4) & 0x3F), 0, 0,
                              uint8_t(r >> 10), uint8_t(r >> 18), uint8_t(r >> 26), 0xFF,
                              0, 0, uint8_t(counter * 7), 0x20};
        ++counter;
        for (size_t k = 0; k < 16 && i + k < size; ++k) b[i + k] = record[k];
    }
    return b;
}

std::vector<uint8_t> Corpus::patchRegions(const std::vector<uint8_t>& data, int regions, size_t regionSize) {
    std::vector<uint8_t> b = data;
    for (int r = 0; r < regions && b.size() > regionSize; ++r) {
        size_t at = rng_() % (b.size() - regionSize);
        for (size_t k = 0; k < regionSize; ++k) b[at + k] = uint8_t(rng_());
    }
    return b;
}

}  // namespace fenn
