// Seeded edit histories that look like the files people keep versions of,
// for the benchmark. Each history yields its successive versions; the same
// seed always gives the same bytes on every platform (only mt19937's raw
// output is used, never a library distribution).
//
//  - MarkdownListHistory: a long curated Markdown list in sections, edited
//    the way such lists are: entries inserted in sorted order, entries
//    removed, descriptions reworded, blocks of entries moved, sections
//    appended.
//  - LogHistory: a log that grows by a few hundred lines per version.
//  - ZipDocumentHistory: an office-like document, a ZIP of deflated XML
//    parts, where one small edit changes the compressed bytes from the edit on.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace fenn {

using HistoryBytes = std::vector<uint8_t>;

class History {
public:
    virtual ~History() = default;
    // The next version (the first call gives the first version).
    virtual HistoryBytes next() = 0;

protected:
    explicit History(uint32_t seed) : rng_(seed) {}
    uint32_t below(uint32_t n) { return n ? rng_() % n : 0; }
    // A word of the shared vocabulary, common ones far more often.
    const std::string& word();
    std::string sentence(int minWords, int maxWords);
    std::string name();

    std::mt19937 rng_;
};

class MarkdownListHistory : public History {
public:
    // Starts at about `size` bytes; the list grows slowly from there.
    MarkdownListHistory(uint32_t seed, size_t size);
    HistoryBytes next() override;

private:
    struct Section {
        std::string title;
        std::vector<std::string> entries;  // sorted by name, case-insensitively
    };
    std::string entry();
    void insertSorted(Section& s, const std::string& e);
    void edit();
    HistoryBytes render() const;

    std::string intro_;
    std::vector<Section> sections_;
    std::vector<std::string> owners_;
    bool first_ = true;
};

class LogHistory : public History {
public:
    // Starts at about `size` bytes and appends `linesPerVersion` lines each version.
    LogHistory(uint32_t seed, size_t size, int linesPerVersion);
    HistoryBytes next() override;

private:
    std::string line();
    HistoryBytes text_;
    int linesPerVersion_;
    uint64_t clock_ = 1764950400000;  // ms
    bool first_ = true;
};

class ZipDocumentHistory : public History {
public:
    // About `paragraphs` paragraphs of text in the document's content part.
    ZipDocumentHistory(uint32_t seed, int paragraphs);
    HistoryBytes next() override;

private:
    HistoryBytes zip() const;
    std::vector<std::string> paragraphs_;
    std::string styles_;
    int saves_ = 0;
};

}  // namespace fenn
