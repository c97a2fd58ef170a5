// What the store promises about versions (byte for byte, numbers never
// reused, the cap, small edits cost little) and about failures (the lock
// free, the target whole, no scratch file left behind).
#include "store_fixture.h"

#include <random>

#include "change_lock.h"
#include "content_cache.h"
#include "content_codec.h"
#include "corpus.h"
#include "fault_file_system.h"

namespace fenn {
namespace {

using VersionStoreTest = StoreFixture;

TEST_F(VersionStoreTest, EveryVersionComesBackByteForByteCompressedOrNot) {
    for (bool compress : {true, false}) {
        fs.remove(archive);
        Corpus c(1);
        std::vector<Bytes> history{c.text(50000)};
        ASSERT_EQ(create(history[0], false, 1000, compress), StoreError::Ok);
        for (int i = 1; i < 40; ++i) {
            // Unrelated binaries and an empty file break the chain now and then.
            history.push_back(i == 25 ? Bytes() : i % 10 == 0 ? c.binary(3000) : c.editLines(history.back(), 3));
            ASSERT_EQ(add(history.back()), StoreError::Ok);
        }
        for (int i = 0; i < 40; ++i) EXPECT_EQ(get(i + 1), history[size_t(i)]) << i << " " << compress;
        EXPECT_EQ(readState().catalog.compressed, compress);
    }
}

TEST_F(VersionStoreTest, RecordsUserCommentAndPermanentCutToTheirLimits) {
    ASSERT_EQ(create(bytesOf("one")), StoreError::Ok);
    fs.put(source, bytesOf("two"));
    ASSERT_EQ(store.add(archive, source, VersionNote{std::string(50, 'u'), std::string(200, 'c'), true}),
              StoreError::Ok);
    ArchiveState s = readState();
    ASSERT_EQ(s.catalog.versions.size(), 2u);
    EXPECT_FALSE(s.catalog.versions[0].permanent);
    EXPECT_EQ(s.catalog.versions[1].user, std::string(35, 'u'));
    EXPECT_EQ(s.catalog.versions[1].comment, std::string(128, 'c'));
    EXPECT_TRUE(s.catalog.versions[1].permanent);
    EXPECT_NE(s.catalog.versions[1].stamp, 0u);
}

TEST_F(VersionStoreTest, DeletingKeepsLaterDeltasWholeAndNumbersAreNeverReused) {
    Corpus c(2);
    std::vector<Bytes> h{c.text(20000)};
    ASSERT_EQ(create(h[0]), StoreError::Ok);
    for (int i = 1; i < 6; ++i) {
        h.push_back(c.editLines(h.back(), 2));
        ASSERT_EQ(add(h.back()), StoreError::Ok);
    }
    ASSERT_EQ(store.remove(archive, 1), StoreError::Ok);  // the chain's whole
    ASSERT_EQ(store.remove(archive, 4), StoreError::Ok);
    EXPECT_EQ(numbers(), (std::vector<int>{2, 3, 5, 6}));
    for (int n : {2, 3, 5, 6}) EXPECT_EQ(get(n), h[size_t(n - 1)]);
    for (int n : {6, 2, 3, 5}) ASSERT_EQ(store.remove(archive, n), StoreError::Ok);
    bool newer = false;  // with no version left, any working file is newer
    ASSERT_EQ(store.isWorkingNewer(archive, source, &newer), StoreError::Ok);
    EXPECT_TRUE(newer);
    ASSERT_EQ(add(bytesOf("7")), StoreError::Ok);
    EXPECT_EQ(numbers(), std::vector<int>{7});
    EXPECT_EQ(get(7), bytesOf("7"));
    EXPECT_EQ(store.remove(archive, 2), StoreError::NoSuchVersion);
}

TEST_F(VersionStoreTest, CapRemovesOnlyTheOldestTemporariesAndThePermanentFlagNeverTrims) {
    ASSERT_EQ(create(bytesOf("v1"), true, 3), StoreError::Ok);  // permanent
    for (int i = 2; i <= 6; ++i) ASSERT_EQ(add(bytesOf("v" + std::to_string(i)), i == 4), StoreError::Ok);
    // Temporaries 2,3,5,6 with cap 3: 2 went when 6 came.
    EXPECT_EQ(numbers(), (std::vector<int>{1, 3, 4, 5, 6}));
    ASSERT_EQ(store.setMaxTemp(archive, 1), StoreError::Ok);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 4, 6}));
    int32_t cap = 0;
    ASSERT_EQ(store.getMaxTemp(archive, &cap), StoreError::Ok);
    EXPECT_EQ(cap, 1);
    // Two temporaries over a cap of one once 1 is cleared, and still no trim.
    ASSERT_EQ(store.setPermanent(archive, 1, false), StoreError::Ok);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 4, 6}));
    bool permanent = true;
    ASSERT_EQ(store.getPermanent(archive, 1, &permanent), StoreError::Ok);
    EXPECT_FALSE(permanent);
    EXPECT_EQ(get(6), bytesOf("v6"));
    EXPECT_EQ(get(4), bytesOf("v4"));
    EXPECT_EQ(store.setPermanent(archive, 9, true), StoreError::NoSuchVersion);
}

TEST_F(VersionStoreTest, SmallEditsCostLittleAndDroppingTemporariesAtTheCapRewritesNothing) {
    Corpus c(4);
    std::vector<Bytes> h{c.text(300000)};
    ASSERT_EQ(create(h[0], false, 2), StoreError::Ok);
    uint64_t first = archiveSize();
    uint64_t wholeOffset = readState().catalog.contents[0].offset;
    for (int i = 0; i < 50; ++i) {
        h.push_back(c.editLines(h.back(), 3));
        uint64_t before = archiveSize();
        ASSERT_EQ(add(h.back()), StoreError::Ok);
        // Each add appends one small delta and a catalog; nothing moves.
        EXPECT_LT(archiveSize(), before + 3000) << i;
    }
    EXPECT_LT(archiveSize(), first + first / 4);
    EXPECT_EQ(numbers(), (std::vector<int>{50, 51}));
    // The chain stays whole: its first content is still where it was.
    ArchiveState s = readState();
    EXPECT_EQ(s.catalog.contents[0].offset, wholeOffset);
    EXPECT_EQ(s.catalog.contents[0].kind, 1);
    EXPECT_EQ(get(51), h[50]);
    EXPECT_EQ(get(50), h[49]);
}

TEST_F(VersionStoreTest, ChainsStopAtTheirDepthLimitAndEqualContentIsShared) {
    // Incompressible bytes: the whole is large enough that the delta bytes
    // never end the chain first, so only the depth limit can.
    std::mt19937 rng(6);
    Bytes doc(64000);
    for (auto& b : doc) b = uint8_t(rng());
    ASSERT_EQ(create(doc, false, 32767), StoreError::Ok);
    ASSERT_EQ(add(doc), StoreError::Ok);
    EXPECT_EQ(readState().catalog.contents.size(), 1u);
    for (uint32_t i = 0; i < kMaxChainDepth + 5; ++i) {
        doc[i % doc.size()] ^= 1;
        ASSERT_EQ(add(doc), StoreError::Ok);
    }
    uint32_t deepest = 0;
    for (auto& ct : readState().catalog.contents) deepest = std::max(deepest, ct.depth);
    EXPECT_EQ(deepest, kMaxChainDepth);
    EXPECT_EQ(get(int(kMaxChainDepth) + 7), doc);
}

TEST_F(VersionStoreTest, CreateRefusesAnExistingFileAndNewerMeansDifferentBytesFromTheLatest) {
    const std::string working = "/w/doc.txt";
    ASSERT_EQ(create(bytesOf("hello")), StoreError::Ok);
    EXPECT_TRUE(fs.isPrivate(archive));  // built in a file its user's alone
    EXPECT_EQ(store.create(archive, working, note(false), 10, true), StoreError::Exists);
    EXPECT_EQ(store.create("/a/other.fy", "/missing", note(false), 10, true), StoreError::NotFound);
    EXPECT_EQ(fs.names(), (std::vector<std::string>{archive, source}));
    // Same bytes (hashed), same size with other bytes, another size.
    for (auto c : {std::make_pair("hello", false), std::make_pair("hellO", true), std::make_pair("hello!", true)}) {
        fs.put(working, bytesOf(c.first));
        bool newer = !c.second;
        ASSERT_EQ(store.isWorkingNewer(archive, working, &newer), StoreError::Ok);
        EXPECT_EQ(newer, c.second) << c.first;
    }
    // Same size and the time the snapshot kept: taken as the same file unread.
    fs.bytes(source) = bytesOf("xyzab");
    bool newer = true;
    ASSERT_EQ(store.isWorkingNewer(archive, source, &newer), StoreError::Ok);
    EXPECT_FALSE(newer);
    EXPECT_EQ(store.isWorkingNewer(archive, "/w/missing", &newer), StoreError::NotFound);
    EXPECT_EQ(store.isWorkingNewer("/a/none.fy", working, &newer), StoreError::NotFound);
    EXPECT_EQ(get(1), bytesOf("hello"));
    // Only the latest version keeps its source's time; once a delete makes
    // version 2 the latest, its bytes decide.
    ASSERT_EQ(add(bytesOf("two!")), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("three")), StoreError::Ok);
    ArchiveState s = readState();
    EXPECT_EQ(s.catalog.versions[0].sourceModified, 0);
    EXPECT_EQ(s.catalog.versions[1].sourceModified, 0);
    EXPECT_NE(s.catalog.versions[2].sourceModified, 0);
    ASSERT_EQ(store.remove(archive, 3), StoreError::Ok);
    for (auto c : {std::make_pair("two!", false), std::make_pair("twoX", true)}) {
        fs.bytes(source) = bytesOf(c.first);
        newer = !c.second;
        ASSERT_EQ(store.isWorkingNewer(archive, source, &newer), StoreError::Ok);
        EXPECT_EQ(newer, c.second) << c.first;
    }
}

TEST_F(VersionStoreTest, EveryChangeLeavesTheLockFreeRefusedArgumentsToo) {
    ASSERT_EQ(create(bytesOf("a")), StoreError::Ok);
    store.unlock(archive);  // giving back a lock not held is harmless
    struct Case {
        const char* what;
        StoreError expected;
        std::function<StoreError()> change;
    } cases[] = {
        {"delete 7", StoreError::NoSuchVersion, [&] { return store.remove(archive, 7); }},
        {"delete 0", StoreError::BadArgument, [&] { return store.remove(archive, 0); }},
        {"permanent 65536", StoreError::BadArgument, [&] { return store.setPermanent(archive, 65536, true); }},
        {"cap 0", StoreError::BadArgument, [&] { return store.setMaxTemp(archive, 0); }},
        {"cap 32768", StoreError::BadArgument, [&] { return store.setMaxTemp(archive, 32768); }},
        {"add missing", StoreError::NotFound, [&] { return store.add(archive, "/missing", note(false)); }},
        {"add", StoreError::Ok, [&] { return add(bytesOf("b")); }},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(store.lock(archive), StoreError::Ok);
        ASSERT_EQ(store.lock(archive), StoreError::Ok);  // the holder may take it again
        ASSERT_TRUE(LeaseTable::holds(archive));
        EXPECT_EQ(c.change(), c.expected) << c.what;
        EXPECT_FALSE(LeaseTable::holds(archive)) << c.what;
    }
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
}

// A long edit history is one chain (one whole), twice branched by deleting
// the newest version, and every version comes back from the file alone,
// whether the next add found its chain's history cached or rebuilt it. Then
// a damaged delta costs its own version and the later ones built on it.
TEST_F(VersionStoreTest, ALongHistoryIsOneChainAndADamagedDeltaCostsOnlyTheVersionsBuiltOnIt) {
    Corpus c(21);
    std::vector<Bytes> h{c.text(80000)};
    ASSERT_EQ(create(h[0], false, 32767), StoreError::Ok);
    std::vector<int> kept{1};
    for (int i = 2; i <= 400; ++i) {
        h.push_back(c.editLines(h.back(), 2));
        if (i % 7 == 0) ContentCache::clear();
        ASSERT_EQ(add(h.back()), StoreError::Ok) << i;
        kept.push_back(i);
        if (i == 150 || i == 300) {  // the next add builds on the version before
            ASSERT_EQ(store.remove(archive, i), StoreError::Ok);
            kept.pop_back();
        }
    }
    ArchiveState s = readState();
    int wholes = 0;
    for (const ContentRecord& ct : s.catalog.contents) wholes += ct.kind == uint8_t(BlockKind::Whole) ? 1 : 0;
    EXPECT_EQ(wholes, 1);
    EXPECT_EQ(numbers(), kept);
    // About 40 KB whole and 400 deltas of two line edits each, the chain's
    // history (over 32 KiB of operations by now) taking part in their
    // stream.
    EXPECT_LT(archiveSize(), 120000u);
    ContentCache::clear();
    for (int n : kept) ASSERT_EQ(get(n), h[size_t(n - 1)]) << n;
    const ContentRecord* tenth = s.catalog.content(s.catalog.version(10)->contentId);
    ASSERT_EQ(tenth->kind, uint8_t(BlockKind::Delta));
    fs.bytes(archive)[size_t(tenth->offset + tenth->length - 1)] ^= 0x40;
    ContentCache::clear();
    for (int n : kept) {
        Bytes out;
        StoreError e = store.retrieveBytes(archive, n, &out);
        EXPECT_EQ(e, n < 10 ? StoreError::Ok : StoreError::Corrupt) << n;
        if (n < 10) {
            EXPECT_EQ(out, h[size_t(n - 1)]) << n;
        }
    }
}

// A long chain's stream is cut into segments that inflate on threads of
// their own. Adds made from a rebuilt content (the cache cleared) deflate
// against the history of their own segment only: a history reaching back
// past a segment's start would make a part no reader can inflate.
TEST_F(VersionStoreTest, ALongChainsSegmentsRebuildOnTheirOwnThreadsAndDamageStaysInItsSegment) {
    Corpus c(31);
    std::mt19937 rng(5);
    std::vector<Bytes> h{c.text(150000)};
    ASSERT_EQ(create(h[0], false, 32767), StoreError::Ok);
    for (int i = 2; i <= 260; ++i) {
        Bytes next = c.editLines(h.back(), 1);
        Bytes added = c.text(2500);
        size_t at = rng() % next.size();
        while (at > 0 && next[at - 1] != '\n') --at;
        next.insert(next.begin() + long(at), added.begin(), added.end());
        h.push_back(next);
        if (i % 5 == 0) ContentCache::clear();
        ASSERT_EQ(add(h.back()), StoreError::Ok) << i;
    }
    ArchiveState s = readState();
    const ContentRecord* last = s.catalog.content(s.catalog.version(260)->contentId);
    ASSERT_EQ(last->depth, 259u);  // one chain
    ASSERT_GE(last->chainBytes, 2 * kChainSegmentBytes + 16384);  // three segments or more
    // A delta's payload opens with its method: 2 marks a segment's first part.
    int starts = 0;
    for (const ContentRecord& ct : s.catalog.contents)
        if (ct.kind == uint8_t(BlockKind::Delta) && fs.bytes(archive)[size_t(ct.offset + kBlockHeaderSize)] == 2)
            ++starts;
    EXPECT_GE(starts, 2);
    ContentCache::clear();
    for (int n = 1; n <= 260; ++n) ASSERT_EQ(get(n), h[size_t(n - 1)]) << n;
    // A delta inside the third segment: the versions before it, the two
    // segments before included, still come back.
    int damaged = 0;
    for (int n = 2; n <= 260 && !damaged; ++n) {
        const ContentRecord* d = s.catalog.content(s.catalog.version(uint16_t(n))->contentId);
        if (d->chainBytes - d->length > 2 * kChainSegmentBytes + 4096) damaged = n;
    }
    ASSERT_GT(damaged, 0);
    const ContentRecord* d = s.catalog.content(s.catalog.version(uint16_t(damaged))->contentId);
    fs.bytes(archive)[size_t(d->offset + d->length / 2)] ^= 0x08;
    ContentCache::clear();
    for (int n : {1, damaged / 3, damaged - 1, damaged, damaged + 1, 260}) {
        Bytes out;
        EXPECT_EQ(store.retrieveBytes(archive, n, &out), n < damaged ? StoreError::Ok : StoreError::Corrupt) << n;
        if (n < damaged) {
            EXPECT_EQ(out, h[size_t(n - 1)]) << n;
        }
    }
}

TEST_F(VersionStoreTest, AFailedRetrieveLeavesTheTargetAndAGoodOneReplacesIt) {
    // Version one is a whole of three chunks, written as they are inflated
    // (three writes, from whichever thread); version two is a delta.
    const Bytes one = Corpus(21).text(600000);
    Bytes two = one;
    two.insert(two.begin() + 1000, {'n', 'e', 'w'});
    ASSERT_EQ(create(one), StoreError::Ok);
    ASSERT_EQ(add(two), StoreError::Ok);
    ContentCache::clear();
    const std::string target = "/out/doc.txt";
    const std::vector<std::string> names = {archive, target, source};
    // Fail each call of the retrieve in turn: the target stays as it was,
    // and no scratch file is left.
    for (int number : {1, 2}) {
        FaultFileSystem counter(fs);
        counter.arm(FaultFileSystem::Mode::None, -1);
        ASSERT_EQ(VersionStore(counter).retrieve(archive, number, target), StoreError::Ok);
        EXPECT_GE(counter.calls(), number == 1 ? 8 : 6);
        for (int64_t k = 0; k < counter.calls(); ++k) {
            std::string where = std::to_string(number) + " call " + std::to_string(k);
            fs.put(target, bytesOf("the user's own file"));
            FaultFileSystem faulty(fs);
            faulty.arm(FaultFileSystem::Mode::Fail, k);
            StoreError e = VersionStore(faulty).retrieve(archive, number, target);
            EXPECT_TRUE(fs.bytes(target) == (e != StoreError::Ok ? bytesOf("the user's own file")
                                                                  : number == 1 ? one : two)) << where;
            EXPECT_TRUE(e == StoreError::Ok || e == StoreError::Io) << where << ": " << int(e);
            EXPECT_EQ(fs.names(), names) << where;
        }
    }
    ASSERT_EQ(store.retrieve(archive, 1, target), StoreError::Ok);
    EXPECT_TRUE(fs.bytes(target) == one);
    EXPECT_FALSE(fs.isPrivate(target));  // made as any new file there
    EXPECT_EQ(fs.names(), names);
    // A damaged whole is refused before the target is touched.
    const ContentRecord* whole = nullptr;
    ArchiveState st;
    ASSERT_EQ(store.read(archive, &st), StoreError::Ok);
    whole = st.catalog.content(st.catalog.version(1)->contentId);
    fs.bytes(archive)[size_t(whole->offset + whole->length / 2)] ^= 1;
    EXPECT_EQ(store.retrieve(archive, 1, target), StoreError::Corrupt);
    EXPECT_TRUE(fs.bytes(target) == one);
    EXPECT_EQ(fs.names(), names);
}

TEST_F(VersionStoreTest, ScratchFilesOfKilledWritersGoThoseOfLiveOnesStay) {
    ASSERT_EQ(create(bytesOf("one")), StoreError::Ok);
    const std::string target = "/out/doc.txt";
    // Left by killed writers: never written into, removed by the next one.
    fs.put(scratchPathBeside(target, 1), bytesOf("left"));
    fs.put(scratchPathBeside("/a/new.fy", 1), bytesOf("left"));
    // Held by a live writer: left alone.
    fs.put(scratchPathBeside(target, 2), bytesOf("live"));
    std::unique_ptr<File> live = fs.open(scratchPathBeside(target, 2), OpenMode::ReadWrite);
    ASSERT_TRUE(live->tryLock(kLeaseLockOffset, 1));
    ASSERT_EQ(store.retrieve(archive, 1, target), StoreError::Ok);
    ASSERT_EQ(store.create("/a/new.fy", source, note(false), 10, true), StoreError::Ok);
    EXPECT_EQ(fs.bytes(target), bytesOf("one"));
    EXPECT_EQ(fs.bytes(scratchPathBeside(target, 2)), bytesOf("live"));
    EXPECT_EQ(fs.names(), (std::vector<std::string>{archive, "/a/new.fy", target, scratchPathBeside(target, 2),
                                                    source}));
}

TEST_F(VersionStoreTest, ALostPreambleSectorLosesNothing) {
    ASSERT_EQ(create(bytesOf("alpha")), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("beta")), StoreError::Ok);
    for (size_t i = 0; i < 512; ++i) fs.bytes(archive)[i] = 0;
    EXPECT_EQ(get(1), bytesOf("alpha"));
    EXPECT_EQ(get(2), bytesOf("beta"));
    ASSERT_EQ(add(bytesOf("gamma")), StoreError::Ok);
    EXPECT_EQ(get(3), bytesOf("gamma"));
    // So does a lost lease sector; a lost slot sector leaves the other slot.
    for (size_t i = 1536; i < 2048; ++i) fs.bytes(archive)[i] = 0xFF;
    ASSERT_EQ(add(bytesOf("delta")), StoreError::Ok);
    int committed = readState().slot;
    for (size_t i = 0; i < 512; ++i) fs.bytes(archive)[size_t(kSlotOffset[committed]) + i] = 0;
    ContentCache::clear();
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(get(3), bytesOf("gamma"));
}

TEST_F(VersionStoreTest, TheCachedLatestContentNeverServesAnotherArchive) {
    ASSERT_EQ(create(bytesOf("first archive, newest")), StoreError::Ok);
    // Another process makes a new archive under the same name.
    MemoryFileSystem other;
    other.put(source, bytesOf("second archive, newest"));
    ASSERT_EQ(VersionStore(other).create("/b/x.fy", source, note(false), 10, true), StoreError::Ok);
    fs.put(archive, other.bytes("/b/x.fy"));
    EXPECT_EQ(get(1), bytesOf("second archive, newest"));
    // And an add builds on the archive's own latest content.
    ASSERT_EQ(add(bytesOf("second archive, newer")), StoreError::Ok);
    ContentCache::clear();
    EXPECT_EQ(get(2), bytesOf("second archive, newer"));
    EXPECT_EQ(get(1), bytesOf("second archive, newest"));
}

}  // namespace
}  // namespace fenn
