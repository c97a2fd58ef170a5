// What the store promises about versions: they come back byte for byte,
// numbers never repeat, the cap removes only the oldest temporaries, and a
// long history of small edits costs little.
#include "store_fixture.h"

#include <random>

#include "change_lock.h"
#include "content_cache.h"
#include "content_codec.h"
#include "corpus.h"
#include "fault_file_system.h"
#include "history.h"

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
        ArchiveState s = readState();
        EXPECT_EQ(s.catalog.compressed, compress);
    }
}

TEST_F(VersionStoreTest, RecordsUserCommentAndPermanentCutToTheirLimits) {
    ASSERT_EQ(create(bytesOf("one")), StoreError::Ok);
    fs.put(source, bytesOf("two"));
    VersionNote n{std::string(50, 'u'), std::string(200, 'c'), true};
    ASSERT_EQ(store.add(archive, source, n), StoreError::Ok);
    ArchiveState s = readState();
    ASSERT_EQ(s.catalog.versions.size(), 2u);
    EXPECT_FALSE(s.catalog.versions[0].permanent);
    EXPECT_EQ(s.catalog.versions[1].user, std::string(35, 'u'));
    EXPECT_EQ(s.catalog.versions[1].comment, std::string(128, 'c'));
    EXPECT_TRUE(s.catalog.versions[1].permanent);
    EXPECT_NE(s.catalog.versions[1].stamp, 0u);
}

TEST_F(VersionStoreTest, NumbersAreNeverReusedEvenWhenTheArchiveWasEmptied) {
    ASSERT_EQ(create(bytesOf("1")), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("2")), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("3")), StoreError::Ok);
    for (int n : {3, 1, 2}) ASSERT_EQ(store.remove(archive, n), StoreError::Ok);
    EXPECT_EQ(numbers(), std::vector<int>{});
    bool newer = false;  // with no version left, any working file is newer
    ASSERT_EQ(store.isWorkingNewer(archive, source, &newer), StoreError::Ok);
    EXPECT_TRUE(newer);
    ASSERT_EQ(add(bytesOf("4")), StoreError::Ok);
    EXPECT_EQ(numbers(), std::vector<int>{4});
    EXPECT_EQ(get(4), bytesOf("4"));
    EXPECT_EQ(store.remove(archive, 2), StoreError::NoSuchVersion);
    EXPECT_EQ(store.remove(archive, 0), StoreError::BadArgument);
}

TEST_F(VersionStoreTest, DeletingAMiddleVersionKeepsLaterDeltasWhole) {
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
    EXPECT_EQ(store.setMaxTemp(archive, 0), StoreError::BadArgument);
    EXPECT_EQ(store.setMaxTemp(archive, 32768), StoreError::BadArgument);
}

TEST_F(VersionStoreTest, SmallEditsCostLittleMoreThanOneCopy) {
    Corpus c(4);
    Bytes doc = c.text(300000);
    ASSERT_EQ(create(doc, false, 1000), StoreError::Ok);
    uint64_t first = archiveSize();
    for (int i = 0; i < 50; ++i) {
        doc = c.editLines(doc, 3);
        ASSERT_EQ(add(doc), StoreError::Ok);
    }
    EXPECT_LT(archiveSize(), first + first / 4);
    EXPECT_EQ(get(51), doc);
}

TEST_F(VersionStoreTest, DroppingTemporariesAtTheCapRewritesNothing) {
    Corpus c(5);
    std::vector<Bytes> h{c.text(100000)};
    ASSERT_EQ(create(h[0], false, 2), StoreError::Ok);
    uint64_t wholeOffset = readState().catalog.contents[0].offset;
    for (int i = 0; i < 8; ++i) {
        h.push_back(c.editLines(h.back(), 2));
        uint64_t before = archiveSize();
        ASSERT_EQ(add(h.back()), StoreError::Ok);
        // Each add appends one small delta and a catalog; nothing moves.
        EXPECT_LT(archiveSize(), before + 2000) << i;
    }
    ArchiveState s = readState();
    EXPECT_EQ(numbers(), (std::vector<int>{8, 9}));
    // The chain stays whole: its first content is still at the same place and
    // the trimmed versions' contents remain as the bases of the kept ones.
    ASSERT_EQ(s.catalog.contents.size(), 9u);
    EXPECT_EQ(s.catalog.contents[0].offset, wholeOffset);
    EXPECT_EQ(s.catalog.contents[0].kind, 1);
    EXPECT_EQ(get(9), h[8]);
    EXPECT_EQ(get(8), h[7]);
}

TEST_F(VersionStoreTest, ChainsStopAtTheirDepthLimit) {
    // Incompressible bytes: the whole is large enough that the delta bytes
    // never end the chain first, so only the depth limit can.
    std::mt19937 rng(6);
    Bytes doc(64000);
    for (auto& b : doc) b = uint8_t(rng());
    ASSERT_EQ(create(doc, false, 32767), StoreError::Ok);
    for (uint32_t i = 0; i < kMaxChainDepth + 5; ++i) {
        doc[i % doc.size()] ^= 1;
        ASSERT_EQ(add(doc), StoreError::Ok);
    }
    ArchiveState s = readState();
    uint32_t deepest = 0;
    for (auto& ct : s.catalog.contents) deepest = std::max(deepest, ct.depth);
    EXPECT_EQ(deepest, kMaxChainDepth);
    EXPECT_EQ(get(int(kMaxChainDepth) + 6), doc);
}

TEST_F(VersionStoreTest, EqualContentIsSharedNotStoredAgain) {
    Bytes doc = Corpus(8).binary(50000);
    ASSERT_EQ(create(doc), StoreError::Ok);
    ASSERT_EQ(add(doc), StoreError::Ok);
    ArchiveState s = readState();
    EXPECT_EQ(s.catalog.contents.size(), 1u);
    EXPECT_EQ(get(2), doc);
}

TEST_F(VersionStoreTest, CreatingOverAnExistingFileOrFromNothingIsRefused) {
    ASSERT_EQ(create(bytesOf("x")), StoreError::Ok);
    EXPECT_EQ(create(bytesOf("y")), StoreError::Exists);
    EXPECT_EQ(get(1), bytesOf("x"));
    EXPECT_EQ(store.create("/a/other.fy", "/missing", note(false), 10, true), StoreError::NotFound);
    EXPECT_FALSE(fs.exists("/a/other.fy"));
}

TEST_F(VersionStoreTest, NewerMeansDifferentBytesFromTheLatest) {
    const std::string working = "/w/doc.txt";
    ASSERT_EQ(create(bytesOf("hello")), StoreError::Ok);
    struct Case { const char* bytes; bool newer; } cases[] = {
        {"hello", false},   // same bytes, different time: hashed, equal
        {"hellO", true},    // same size, different bytes
        {"hello!", true}};  // different size
    for (const Case& c : cases) {
        fs.put(working, bytesOf(c.bytes));
        bool newer = !c.newer;
        ASSERT_EQ(store.isWorkingNewer(archive, working, &newer), StoreError::Ok);
        EXPECT_EQ(newer, c.newer) << c.bytes;
    }
    // Same size and the time the snapshot kept: taken as the same file unread.
    fs.bytes(source) = bytesOf("xyzab");
    bool newer = true;
    ASSERT_EQ(store.isWorkingNewer(archive, source, &newer), StoreError::Ok);
    EXPECT_FALSE(newer);
    EXPECT_EQ(store.isWorkingNewer(archive, "/w/missing", &newer), StoreError::NotFound);
    EXPECT_EQ(store.isWorkingNewer("/a/none.fy", working, &newer), StoreError::NotFound);
}

TEST_F(VersionStoreTest, ChangesLeaveTheLockFree) {
    ASSERT_EQ(create(bytesOf("a")), StoreError::Ok);
    ASSERT_EQ(store.lock(archive), StoreError::Ok);
    ASSERT_EQ(store.lock(archive), StoreError::Ok);  // the holder may take it again
    EXPECT_TRUE(LeaseTable::holds(archive));
    ASSERT_EQ(add(bytesOf("b")), StoreError::Ok);
    EXPECT_FALSE(LeaseTable::holds(archive));
    store.unlock(archive);  // giving back a lock not held is harmless
    ASSERT_EQ(store.lock(archive), StoreError::Ok);
    EXPECT_EQ(store.remove(archive, 7), StoreError::NoSuchVersion);
    EXPECT_FALSE(LeaseTable::holds(archive));  // failures release too
}

// A long-edited list: one chain (one whole) holds the whole history, twice
// branched by deleting the newest version, and every version comes back
// from the file alone, whether the next add found its chain's history
// cached or had to rebuild it.
TEST_F(VersionStoreTest, ALongEditedListIsOneChainAndEveryVersionComesBack) {
    MarkdownListHistory history(21, 30000);
    std::vector<Bytes> h{history.next()};
    ASSERT_EQ(create(h[0], false, 32767), StoreError::Ok);
    std::vector<int> kept{1};
    for (int i = 2; i <= 400; ++i) {
        h.push_back(history.next());
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
    for (const ContentRecord& c : s.catalog.contents) wholes += c.kind == uint8_t(BlockKind::Whole) ? 1 : 0;
    EXPECT_EQ(wholes, 1);
    EXPECT_EQ(numbers(), kept);
    // About 36 KB whole at the end; 400 versions of a few list edits each.
    EXPECT_LT(archiveSize(), 120000u);
    ContentCache::clear();
    for (int n : kept) ASSERT_EQ(get(n), h[size_t(n - 1)]) << n;
}

// A damaged delta costs its own version and the later ones on its chain,
// which need it as their base, and nothing before it.
TEST_F(VersionStoreTest, ADamagedDeltaCostsOnlyTheVersionsBuiltOnIt) {
    MarkdownListHistory history(22, 20000);
    std::vector<Bytes> h{history.next()};
    ASSERT_EQ(create(h[0], false, 32767), StoreError::Ok);
    for (int i = 2; i <= 20; ++i) {
        h.push_back(history.next());
        ASSERT_EQ(add(h.back()), StoreError::Ok);
    }
    ArchiveState s = readState();
    const ContentRecord* tenth = s.catalog.content(s.catalog.version(10)->contentId);
    ASSERT_EQ(tenth->kind, uint8_t(BlockKind::Delta));
    fs.bytes(archive)[size_t(tenth->offset + tenth->length - 1)] ^= 0x40;
    ContentCache::clear();
    for (int n = 1; n <= 20; ++n) {
        Bytes out;
        StoreError e = store.retrieveBytes(archive, n, &out);
        if (n < 10) {
            EXPECT_EQ(e, StoreError::Ok) << n;
            EXPECT_EQ(out, h[size_t(n - 1)]) << n;
        } else {
            EXPECT_EQ(e, StoreError::Corrupt) << n;
        }
    }
}

}  // namespace
}  // namespace fenn

namespace fenn {
namespace {

using SecondGenerationTest = StoreFixture;

TEST_F(SecondGenerationTest, AFailedRetrieveLeavesTheTargetAndAGoodOneReplacesIt) {
    ASSERT_EQ(create(bytesOf("version one")), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("version two")), StoreError::Ok);
    const std::string target = "/out/doc.txt";
    fs.put(target, bytesOf("the user's own file"));
    // Fail each call of the retrieve in turn: the target stays as it was and
    // no scratch file is left behind.
    FaultFileSystem counter(fs);
    counter.arm(FaultFileSystem::Mode::None, -1);
    ASSERT_EQ(VersionStore(counter).retrieve(archive, 1, target), StoreError::Ok);
    int64_t calls = counter.calls();
    fs.put(target, bytesOf("the user's own file"));
    for (int64_t k = 0; k < calls; ++k) {
        FaultFileSystem faulty(fs);
        faulty.arm(FaultFileSystem::Mode::Fail, k);
        StoreError e = VersionStore(faulty).retrieve(archive, 1, target);
        if (e != StoreError::Ok) {
            EXPECT_EQ(fs.bytes(target), bytesOf("the user's own file")) << k;
        } else {
            EXPECT_EQ(fs.bytes(target), bytesOf("version one")) << k;
            fs.put(target, bytesOf("the user's own file"));
        }
    }
    ASSERT_EQ(store.retrieve(archive, 2, target), StoreError::Ok);
    EXPECT_EQ(fs.bytes(target), bytesOf("version two"));
    for (uint32_t serial = 1; serial <= uint32_t(calls) * 2 + 4; ++serial)
        EXPECT_FALSE(fs.exists(scratchPathBeside(target, 1, serial))) << serial;
}

TEST_F(SecondGenerationTest, ALostPreambleSectorLosesNothing) {
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

TEST_F(SecondGenerationTest, TheCachedLatestContentNeverServesAnotherArchive) {
    ASSERT_EQ(create(bytesOf("first archive, newest")), StoreError::Ok);
    Bytes firstFile = fs.bytes(archive);
    // Another process makes a new archive under the same name.
    fs.remove(archive);
    MemoryFileSystem other;
    VersionStore otherStore(other);
    other.put(source, bytesOf("second archive, newest"));
    ASSERT_EQ(otherStore.create("/b/x.fy", source, note(false), 10, true), StoreError::Ok);
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
