// Shared set-up of the native tests: a store over the in-memory file layer
// with helpers that speak in bytes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_file_system.h"
#include "version_store.h"

namespace fenn {

using Bytes = std::vector<uint8_t>;

inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline VersionNote note(bool permanent) { return VersionNote{"alice", "first", permanent}; }

class StoreFixture : public ::testing::Test {
protected:
    const std::string archive = "/a/doc.fy";
    const std::string source = "/tmp/FY0001.tmp";

    StoreError create(const Bytes& content, bool permanent = false, int cap = 10, bool compress = true) {
        fs.put(source, content);
        return store.create(archive, source, note(permanent), cap, compress);
    }
    StoreError add(const Bytes& content, bool permanent = false) {
        fs.put(source, content);
        return store.add(archive, source, note(permanent));
    }
    Bytes get(int number) {
        Bytes out;
        EXPECT_EQ(store.retrieveBytes(archive, number, &out), StoreError::Ok) << "version " << number;
        return out;
    }
    ArchiveState readState() {
        ArchiveState s;
        EXPECT_EQ(store.read(archive, &s), StoreError::Ok);
        return s;
    }
    std::vector<int> numbers() {
        std::vector<int> r;
        for (auto& v : readState().catalog.versions) r.push_back(v.number);
        return r;
    }
    uint64_t archiveSize() { return fs.bytes(archive).size(); }

    MemoryFileSystem fs;
    VersionStore store{fs};
};

}  // namespace fenn
