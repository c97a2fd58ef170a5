// Every change, interrupted at every file-layer call: failed there, killed
// there (the write torn, nothing after it reaching the disk) or killed there
// with the power lost (every unflushed byte gone). Afterwards the archive
// holds exactly the versions of before or of after, each byte for byte, and
// takes further changes.
#include "store_fixture.h"

#include <functional>
#include <map>

#include "corpus.h"
#include "fault_file_system.h"

namespace fenn {
namespace {

const std::string kArchive = "/a/doc.fy";
const std::string kSource = "/tmp/FY0001.tmp";

struct Snapshot {
    bool exists = false;
    int32_t cap = 0;
    std::map<int, std::pair<bool, Bytes>> versions;
    bool operator==(const Snapshot& o) const {
        return exists == o.exists && cap == o.cap && versions == o.versions;
    }
};

Snapshot snapshot(MemoryFileSystem& fs) {
    ContentCache::clear();  // every byte comes from the file
    Snapshot s;
    VersionStore store(fs);
    ArchiveState state;
    StoreError e = store.read(kArchive, &state);
    if (e == StoreError::NotFound) return s;
    EXPECT_EQ(e, StoreError::Ok);
    s.exists = true;
    s.cap = state.catalog.maxTemp;
    for (auto& v : state.catalog.versions) {
        Bytes b;
        EXPECT_EQ(store.retrieveBytes(kArchive, v.number, &b), StoreError::Ok) << v.number;
        s.versions[v.number] = {v.permanent, b};
    }
    return s;
}

struct Scenario {
    const char* name;
    std::function<void(VersionStore&, MemoryFileSystem&)> setup;
    std::function<StoreError(VersionStore&)> change;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

VersionNote note(bool permanent) {
    VersionNote n;
    n.user = "bob";
    n.comment = "c";
    n.permanent = permanent;
    return n;
}

void build(VersionStore& store, MemoryFileSystem& fs, int versions, int cap) {
    Corpus c(21);
    Bytes doc = c.text(6000);
    fs.put(kSource, doc);
    ASSERT_EQ(store.create(kArchive, kSource, note(true), cap, true), StoreError::Ok);
    for (int i = 1; i < versions; ++i) {
        doc = c.editLines(doc, 2);
        fs.put(kSource, doc);
        ASSERT_EQ(store.add(kArchive, kSource, note(false)), StoreError::Ok);
    }
    fs.put(kSource, c.editLines(doc, 2));  // the next version to add
}

class CrashTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(CrashTest, LeavesBeforeOrAfterAtEveryCall) {
    const Scenario& sc = GetParam();
    MemoryFileSystem base;
    {
        VersionStore store(base);
        sc.setup(store, base);
    }
    Snapshot before = snapshot(base);

    MemoryFileSystem probe;
    probe.copyFrom(base);
    FaultFileSystem counter(probe);
    counter.arm(FaultFileSystem::Mode::None, -1);
    VersionStore counted(counter);
    ASSERT_EQ(sc.change(counted), StoreError::Ok);
    int64_t calls = counter.calls();
    Snapshot after = snapshot(probe);
    ASSERT_FALSE(before == after) << "the change must change something";

    int sawBefore = 0, sawAfter = 0;
    for (int64_t k = 0; k < calls; ++k) {
        for (int mode = 0; mode < 3; ++mode) {
            MemoryFileSystem fs;
            fs.copyFrom(base);
            FaultFileSystem faulty(fs);
            faulty.arm(mode == 0 ? FaultFileSystem::Mode::Fail : FaultFileSystem::Mode::Kill, k);
            StoreError e;
            {
                VersionStore store(faulty);
                e = sc.change(store);
            }
            if (mode == 2) fs.powerLoss();
            Snapshot now = snapshot(fs);
            bool isBefore = now == before, isAfter = now == after;
            ASSERT_TRUE(isBefore || isAfter) << sc.name << " call " << k << " mode " << mode;
            if (mode == 0 && e == StoreError::Ok) {
                ASSERT_TRUE(isAfter) << sc.name << " call " << k;
            }
            sawBefore += isBefore;
            sawAfter += isAfter;
            // The archive takes the next change whatever state it was left
            // in, over the torn slot and the remains of the interrupted
            // commit, and cuts those remains off.
            if (now.exists) {
                VersionStore store(fs);
                fs.put(kSource, bytesOf("next"));
                ASSERT_EQ(store.add(kArchive, kSource, note(true)), StoreError::Ok) << sc.name << " " << k;
                ArchiveState st;
                ASSERT_EQ(store.read(kArchive, &st), StoreError::Ok);
                EXPECT_EQ(fs.bytes(kArchive).size(), st.superblock.committedEnd) << sc.name << " " << k;
                Bytes b;
                ASSERT_EQ(store.retrieveBytes(kArchive, st.catalog.latest()->number, &b), StoreError::Ok);
                ASSERT_EQ(b, bytesOf("next"));
            }
        }
    }
    EXPECT_GT(sawBefore, 0);
    EXPECT_GT(sawAfter, 0);
}

const Scenario kScenarios[] = {
    {"create", [](VersionStore&, MemoryFileSystem& fs) { fs.put(kSource, Corpus(1).text(5000)); },
     [](VersionStore& s) { return s.create(kArchive, kSource, note(false), 5, true); }},
    {"add_delta", [](VersionStore& s, MemoryFileSystem& fs) { build(s, fs, 3, 10); },
     [](VersionStore& s) { return s.add(kArchive, kSource, note(false)); }},
    {"add_trimming", [](VersionStore& s, MemoryFileSystem& fs) { build(s, fs, 4, 3); },
     [](VersionStore& s) { return s.add(kArchive, kSource, note(false)); }},
    {"delete", [](VersionStore& s, MemoryFileSystem& fs) { build(s, fs, 4, 10); },
     [](VersionStore& s) { return s.remove(kArchive, 2); }},
    {"set_permanent", [](VersionStore& s, MemoryFileSystem& fs) { build(s, fs, 3, 10); },
     [](VersionStore& s) { return s.setPermanent(kArchive, 2, true); }},
    {"set_cap_trimming", [](VersionStore& s, MemoryFileSystem& fs) { build(s, fs, 5, 10); },
     [](VersionStore& s) { return s.setMaxTemp(kArchive, 2); }},
    {"set_cap", [](VersionStore& s, MemoryFileSystem& fs) { build(s, fs, 3, 10); },
     [](VersionStore& s) { return s.setMaxTemp(kArchive, 20); }},
};

INSTANTIATE_TEST_SUITE_P(EveryChange, CrashTest, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace fenn
