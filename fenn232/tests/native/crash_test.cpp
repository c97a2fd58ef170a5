// Every change, interrupted at every file-layer call: failed there, or killed
// there (the write torn, nothing after it reaching the disk) and then the
// power lost, each unflushed write kept or dropped independently of the
// others. Afterwards the archive holds exactly the versions of before or of
// after, takes the next change (a new archive when there was none), and
// nothing else is left in its folder. Every commit also writes its slot only
// after a flush of all written before, and flushes the slot before going on.
#include "store_fixture.h"

#include <functional>
#include <map>
#include <random>
#include <tuple>

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
        return std::tie(exists, cap, versions) == std::tie(o.exists, o.cap, o.versions);
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
    int versions;  // in the archive before the change; 0: no archive
    int cap;
    std::function<StoreError(VersionStore&)> change;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

void build(MemoryFileSystem& fs, const Scenario& sc) {
    VersionStore store(fs);
    Corpus c(21);
    Bytes doc = c.text(6000);
    for (int i = 0; i < sc.versions; ++i) {
        fs.put(kSource, doc);
        ASSERT_EQ(i == 0 ? store.create(kArchive, kSource, note(true), sc.cap, true)
                         : store.add(kArchive, kSource, note(false)),
                  StoreError::Ok);
        doc = c.editLines(doc, 2);
    }
    fs.put(kSource, doc);  // the next version
}

void expectSlotsWrittenBetweenFlushes(const std::vector<MemoryFileSystem::Event>& journal) {
    bool unflushed = false, slotUnflushed = false;
    for (const MemoryFileSystem::Event& e : journal) {
        bool slot = e.kind == 'w' && e.size == kFixedSize && (e.offset == kSlotOffset[0] || e.offset == kSlotOffset[1]);
        EXPECT_FALSE(slot && unflushed) << "a slot written before a flush";
        EXPECT_FALSE(e.kind != 'f' && slotUnflushed) << "written after an unflushed slot";
        unflushed = e.kind != 'f';
        slotUnflushed = slot;
    }
    EXPECT_FALSE(slotUnflushed) << "the last slot is never flushed";
}

class CrashTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(CrashTest, LeavesBeforeOrAfterAtEveryCall) {
    const Scenario& sc = GetParam();
    MemoryFileSystem base;
    build(base, sc);
    Snapshot before = snapshot(base);

    MemoryFileSystem probe;
    probe.copyFrom(base);
    FaultFileSystem counter(probe);
    counter.arm(FaultFileSystem::Mode::None, -1);
    VersionStore counted(counter);
    ASSERT_EQ(sc.change(counted), StoreError::Ok);
    expectSlotsWrittenBetweenFlushes(probe.journal);
    Snapshot after = snapshot(probe);
    ASSERT_FALSE(before == after) << "the change must change something";

    int seen[2] = {0, 0};
    auto check = [&](MemoryFileSystem& fs, const std::string& where) {
        Snapshot now = snapshot(fs);
        bool isBefore = now == before;
        ASSERT_TRUE(isBefore || now == after) << where;
        ++seen[isBefore ? 0 : 1];
        // The next change goes over the torn slot and the remains of the
        // interrupted one, cuts those off and removes a killed create's
        // scratch file.
        VersionStore store(fs);
        fs.put(kSource, bytesOf("next"));
        ASSERT_EQ(now.exists ? store.add(kArchive, kSource, note(true))
                             : store.create(kArchive, kSource, note(true), 5, true),
                  StoreError::Ok) << where;
        ArchiveState st;
        ASSERT_EQ(store.read(kArchive, &st), StoreError::Ok) << where;
        EXPECT_EQ(fs.bytes(kArchive).size(), st.superblock.committedEnd) << where;
        Bytes b;
        ASSERT_EQ(store.retrieveBytes(kArchive, st.catalog.latest()->number, &b), StoreError::Ok) << where;
        EXPECT_EQ(b, bytesOf("next")) << where;
        EXPECT_EQ(fs.names(), (std::vector<std::string>{kArchive, kSource})) << where;
    };
    for (int64_t k = 0; k < counter.calls(); ++k) {
        for (auto mode : {FaultFileSystem::Mode::Fail, FaultFileSystem::Mode::Kill}) {
            std::string where = std::string(sc.name) + " call " + std::to_string(k);
            MemoryFileSystem fs;
            fs.copyFrom(base);
            FaultFileSystem faulty(fs);
            faulty.arm(mode, k);
            VersionStore store(faulty);
            StoreError e = sc.change(store);
            if (mode == FaultFileSystem::Mode::Fail) {
                if (e == StoreError::Ok) {
                    EXPECT_TRUE(snapshot(fs) == after) << where << " failed, yet Ok";
                }
                check(fs, where + " failed");
                continue;
            }
            // Every choice of unflushed writes to keep when there are a few,
            // a sample when more (always with none and with all).
            size_t n = fs.unflushedChanges();
            std::mt19937_64 rng{uint64_t(k)};
            for (uint64_t m = 0; m < (n <= 4 ? uint64_t(1) << n : 16); ++m) {
                uint64_t keep = n <= 4 ? m : m == 0 ? 0 : m == 1 ? ~uint64_t(0) : rng();
                MemoryFileSystem lost;
                lost.copyFrom(fs);
                lost.powerLoss(keep);
                check(lost, where + " killed, power lost, kept " + std::to_string(keep));
            }
        }
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
}

const Scenario kScenarios[] = {
    {"create", 0, 5, [](VersionStore& s) { return s.create(kArchive, kSource, note(false), 5, true); }},
    {"add_delta", 3, 10, [](VersionStore& s) { return s.add(kArchive, kSource, note(false)); }},
    {"add_trimming", 4, 3, [](VersionStore& s) { return s.add(kArchive, kSource, note(false)); }},
    {"delete", 4, 10, [](VersionStore& s) { return s.remove(kArchive, 2); }},
    {"set_permanent", 3, 10, [](VersionStore& s) { return s.setPermanent(kArchive, 2, true); }},
    {"set_cap_trimming", 5, 10, [](VersionStore& s) { return s.setMaxTemp(kArchive, 2); }},
    {"set_cap", 3, 10, [](VersionStore& s) { return s.setMaxTemp(kArchive, 20); }},
};

INSTANTIATE_TEST_SUITE_P(EveryChange, CrashTest, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace fenn
