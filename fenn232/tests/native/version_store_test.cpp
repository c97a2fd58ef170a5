// What the store promises about versions: they come back byte for byte,
// numbers never repeat, the cap removes only the oldest temporaries, and a
// long history of small edits costs little.
#include "store_fixture.h"

#include "change_lock.h"
#include "content_codec.h"
#include "corpus.h"

namespace fenn {
namespace {

using VersionStoreTest = StoreFixture;

TEST_F(VersionStoreTest, EveryVersionComesBackByteForByte) {
    Corpus c(1);
    std::vector<Bytes> history{c.text(50000)};
    ASSERT_EQ(create(history[0], false, 1000), StoreError::Ok);
    for (int i = 1; i < 40; ++i) {
        history.push_back(i % 10 == 0 ? c.binary(3000) : c.editLines(history.back(), 3));
        ASSERT_EQ(add(history.back()), StoreError::Ok);
    }
    for (int i = 0; i < 40; ++i) EXPECT_EQ(get(i + 1), history[size_t(i)]) << i;
}

TEST_F(VersionStoreTest, RecordsUserCommentAndPermanentCutToTheirLimits) {
    ASSERT_EQ(create(bytesOf("one")), StoreError::Ok);
    fs.put(source, bytesOf("two"));
    VersionNote n;
    n.user = std::string(50, 'u');
    n.comment = std::string(200, 'c');
    n.permanent = true;
    ASSERT_EQ(store.add(archive, source, n), StoreError::Ok);
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    ASSERT_EQ(s.catalog.versions.size(), 2u);
    EXPECT_EQ(s.catalog.versions[0].user, "alice");
    EXPECT_EQ(s.catalog.versions[0].comment, "first");
    EXPECT_FALSE(s.catalog.versions[0].permanent);
    EXPECT_EQ(s.catalog.versions[1].user, std::string(35, 'u'));
    EXPECT_EQ(s.catalog.versions[1].comment, std::string(128, 'c'));
    EXPECT_TRUE(s.catalog.versions[1].permanent);
    EXPECT_NE(s.catalog.versions[1].stamp, 0u);
}

TEST_F(VersionStoreTest, NumbersAreNeverReusedAfterDeletion) {
    ASSERT_EQ(create(bytesOf("1")), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("2")), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("3")), StoreError::Ok);
    ASSERT_EQ(store.remove(archive, 3), StoreError::Ok);
    ASSERT_EQ(store.remove(archive, 2), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("4")), StoreError::Ok);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 4}));
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    EXPECT_EQ(s.catalog.counter, 4);
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

TEST_F(VersionStoreTest, CapRemovesOnlyTheOldestTemporaries) {
    ASSERT_EQ(create(bytesOf("v1"), true, 3), StoreError::Ok);  // permanent
    for (int i = 2; i <= 6; ++i) ASSERT_EQ(add(bytesOf("v" + std::to_string(i)), i == 4), StoreError::Ok);
    // Temporaries 2,3,5,6 with cap 3: 2 went when 6 came.
    EXPECT_EQ(numbers(), (std::vector<int>{1, 3, 4, 5, 6}));
    ASSERT_EQ(store.setMaxTemp(archive, 1), StoreError::Ok);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 4, 6}));
    int32_t cap = 0;
    ASSERT_EQ(store.getMaxTemp(archive, &cap), StoreError::Ok);
    EXPECT_EQ(cap, 1);
    EXPECT_EQ(get(6), bytesOf("v6"));
    EXPECT_EQ(get(4), bytesOf("v4"));
    EXPECT_EQ(store.setMaxTemp(archive, 0), StoreError::BadArgument);
    EXPECT_EQ(store.setMaxTemp(archive, 32768), StoreError::BadArgument);
}

TEST_F(VersionStoreTest, ClearingPermanentNeverTrims) {
    ASSERT_EQ(create(bytesOf("a"), true, 1), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("b")), StoreError::Ok);
    ASSERT_EQ(store.setPermanent(archive, 1, false), StoreError::Ok);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
    bool permanent = true;
    ASSERT_EQ(store.getPermanent(archive, 1, &permanent), StoreError::Ok);
    EXPECT_FALSE(permanent);
    EXPECT_EQ(store.setPermanent(archive, 9, true), StoreError::NoSuchVersion);
}

TEST_F(VersionStoreTest, TrimmedSpaceIsReclaimed) {
    Corpus c(3);
    ASSERT_EQ(create(c.binary(200000), false, 2), StoreError::Ok);
    uint64_t one = archiveSize();
    for (int i = 0; i < 12; ++i) ASSERT_EQ(add(c.binary(200000)), StoreError::Ok);  // unrelated contents
    EXPECT_EQ(numbers(), (std::vector<int>{12, 13}));
    EXPECT_LT(archiveSize(), one * 3);
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

TEST_F(VersionStoreTest, ANewWholeStartsWhenTheChainsWholeIsGone) {
    Corpus c(5);
    Bytes doc = c.text(100000);
    ASSERT_EQ(create(doc, false, 2), StoreError::Ok);
    std::vector<Bytes> h{doc};
    for (int i = 0; i < 8; ++i) {
        h.push_back(c.editLines(h.back(), 2));
        ASSERT_EQ(add(h.back()), StoreError::Ok);
    }
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    // Versions 8 and 9 remain; at most two chains (the old one while its
    // last version lives, the new one) and so at most two wholes.
    int wholes = 0;
    for (auto& ct : s.catalog.contents) wholes += ct.kind == 1;
    EXPECT_LE(wholes, 2);
    EXPECT_LE(s.catalog.contents.size(), 8u);
    EXPECT_EQ(get(9), h[8]);
    EXPECT_EQ(get(8), h[7]);
}

TEST_F(VersionStoreTest, ChainsAreBoundedInDepth) {
    ASSERT_EQ(create(Corpus(6).text(20000), false, 32767), StoreError::Ok);
    ArchiveState s;
    Bytes doc = Corpus(6).text(20000);
    Corpus c(7);
    for (uint32_t i = 0; i < kMaxChainDepth + 5; ++i) {
        doc[i % doc.size()] ^= 1;
        ASSERT_EQ(add(doc), StoreError::Ok);
    }
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    for (auto& ct : s.catalog.contents) EXPECT_LE(ct.depth, kMaxChainDepth);
    EXPECT_EQ(get(int(kMaxChainDepth) + 6), doc);
}

TEST_F(VersionStoreTest, EqualContentIsSharedNotStoredAgain) {
    Bytes doc = Corpus(8).binary(50000);
    ASSERT_EQ(create(doc), StoreError::Ok);
    ASSERT_EQ(add(doc), StoreError::Ok);
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    EXPECT_EQ(s.catalog.contents.size(), 1u);
    EXPECT_EQ(s.catalog.versions[1].contentId, s.catalog.versions[0].contentId);
    EXPECT_EQ(get(2), doc);
}

TEST_F(VersionStoreTest, CreatingOverAnExistingFileIsRefused) {
    ASSERT_EQ(create(bytesOf("x")), StoreError::Ok);
    EXPECT_EQ(create(bytesOf("y")), StoreError::Exists);
    EXPECT_EQ(get(1), bytesOf("x"));
    EXPECT_EQ(store.create("/a/other.fy", "/missing", note(false), 10, true), StoreError::NotFound);
    EXPECT_FALSE(fs.exists("/a/other.fy"));
}

TEST_F(VersionStoreTest, EmptyFilesAndUncompressedArchivesWork) {
    ASSERT_EQ(create(Bytes(), false, 10, false), StoreError::Ok);
    Bytes doc = Corpus(9).text(30000);
    ASSERT_EQ(add(doc), StoreError::Ok);
    ASSERT_EQ(add(Corpus(9).editLines(doc, 1)), StoreError::Ok);
    EXPECT_EQ(get(1), Bytes());
    EXPECT_EQ(get(2), doc);
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    EXPECT_FALSE(s.catalog.compressed);
}

TEST_F(VersionStoreTest, AnArchiveMayBeEmptiedAndRefilled) {
    ASSERT_EQ(create(bytesOf("only")), StoreError::Ok);
    ASSERT_EQ(store.remove(archive, 1), StoreError::Ok);
    EXPECT_EQ(numbers(), std::vector<int>{});
    ASSERT_EQ(add(bytesOf("again")), StoreError::Ok);
    EXPECT_EQ(numbers(), std::vector<int>{2});
    EXPECT_EQ(get(2), bytesOf("again"));
}

TEST_F(VersionStoreTest, NewerMeansDifferentBytesFromTheLatest) {
    const std::string working = "/w/doc.txt";
    fs.put(working, bytesOf("hello"));
    fs.put(source, bytesOf("hello"));
    ASSERT_EQ(store.create(archive, source, note(false), 10, true), StoreError::Ok);
    bool newer = true;
    ASSERT_EQ(store.isWorkingNewer(archive, working, &newer), StoreError::Ok);
    EXPECT_FALSE(newer);  // same bytes, different time: hashed, equal
    fs.put(working, bytesOf("hellO"));
    ASSERT_EQ(store.isWorkingNewer(archive, working, &newer), StoreError::Ok);
    EXPECT_TRUE(newer);   // same size, different bytes
    fs.put(working, bytesOf("hello!"));
    ASSERT_EQ(store.isWorkingNewer(archive, working, &newer), StoreError::Ok);
    EXPECT_TRUE(newer);   // different size
    EXPECT_EQ(store.isWorkingNewer(archive, "/w/missing", &newer), StoreError::NotFound);
    EXPECT_EQ(store.isWorkingNewer("/a/none.fy", working, &newer), StoreError::NotFound);
}

TEST_F(VersionStoreTest, NewerTrustsSameSizeAndTimeWithoutReading) {
    // The snapshot keeps the working file's time; same size and time are
    // taken as the same file, which is the fast path.
    fs.put(source, bytesOf("abc"));
    ASSERT_EQ(store.create(archive, source, note(false), 10, true), StoreError::Ok);
    FileStat st;
    ASSERT_TRUE(fs.stat(source, &st));
    fs.bytes(source) = bytesOf("xyz");  // changed without a new time
    bool newer = true;
    ASSERT_EQ(store.isWorkingNewer(archive, source, &newer), StoreError::Ok);
    EXPECT_FALSE(newer);
}

TEST_F(VersionStoreTest, ChangesLeaveTheLockFree) {
    ASSERT_EQ(create(bytesOf("a")), StoreError::Ok);
    ASSERT_EQ(store.lock(archive), StoreError::Ok);
    EXPECT_TRUE(LeaseTable::holds(archive));
    ASSERT_EQ(add(bytesOf("b")), StoreError::Ok);
    EXPECT_FALSE(LeaseTable::holds(archive));
    ASSERT_EQ(store.lock(archive), StoreError::Ok);
    EXPECT_EQ(store.remove(archive, 7), StoreError::NoSuchVersion);
    EXPECT_FALSE(LeaseTable::holds(archive));  // failures release too
}

}  // namespace
}  // namespace fenn
