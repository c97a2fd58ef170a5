// The commit rule seen from the file: slots, garbage after the committed end
// and compaction.
#include "store_fixture.h"

#include "corpus.h"

namespace fenn {
namespace {

using ArchiveFileTest = StoreFixture;

TEST_F(ArchiveFileTest, ATornNewestSlotFallsBackToTheCommitBefore) {
    ASSERT_EQ(create(bytesOf("one")), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("two")), StoreError::Ok);
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    fs.bytes(archive)[kSlotOffset[s.slot] + 20] ^= 1;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    EXPECT_EQ(numbers(), std::vector<int>{1});
    // The next commit goes over the torn slot and the abandoned blocks.
    ASSERT_EQ(add(bytesOf("three")), StoreError::Ok);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(get(2), bytesOf("three"));
}

TEST_F(ArchiveFileTest, GarbageBeyondTheCommittedEndIsIgnoredAndCut) {
    ASSERT_EQ(create(bytesOf("one")), StoreError::Ok);
    Bytes& b = fs.bytes(archive);
    uint64_t committed = b.size();
    b.resize(b.size() + 5000, 0xEE);
    EXPECT_EQ(get(1), bytesOf("one"));
    ASSERT_EQ(add(bytesOf("two")), StoreError::Ok);
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    EXPECT_EQ(fs.bytes(archive).size(), s.superblock.committedEnd);
    EXPECT_GT(s.superblock.committedEnd, committed);
}

TEST_F(ArchiveFileTest, CatalogGrowthIsCompactedAway) {
    ASSERT_EQ(create(bytesOf("x"), false, 32767), StoreError::Ok);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(store.setPermanent(archive, 1, i % 2 == 0), StoreError::Ok);
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    // 300 catalogs were written; only a bounded amount of them remains.
    EXPECT_LT(archiveSize(), 300u * s.superblock.catalogLength / 4 + 300 * 1024);
    EXPECT_EQ(get(1), bytesOf("x"));
}

TEST_F(ArchiveFileTest, DeletionShrinksTheFile) {
    Corpus c(41);
    ASSERT_EQ(create(c.binary(100000)), StoreError::Ok);
    ASSERT_EQ(add(c.binary(100000)), StoreError::Ok);
    uint64_t full = archiveSize();
    ASSERT_EQ(store.remove(archive, 1), StoreError::Ok);
    EXPECT_LT(archiveSize(), full * 2 / 3);
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    EXPECT_EQ(s.superblock.committedEnd, archiveSize());
}

TEST_F(ArchiveFileTest, ADamagedNewestCatalogIsReportedNotHidden) {
    ASSERT_EQ(create(bytesOf("one")), StoreError::Ok);
    ASSERT_EQ(add(bytesOf("two")), StoreError::Ok);
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    fs.bytes(archive)[s.superblock.catalogOffset + 40] ^= 0x10;
    EXPECT_EQ(store.read(archive, &s), StoreError::Corrupt);
}

TEST_F(ArchiveFileTest, ASealedSlotWithAWrappingLengthIsRefused) {
    ASSERT_EQ(create(bytesOf("one")), StoreError::Ok);
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    Superblock bad = s.superblock;
    bad.sequence += 5;
    bad.catalogLength = ~uint64_t(0) - bad.catalogOffset + 100;  // offset + length wraps
    BlockFormat::encodeSlot(bad, fs.bytes(archive).data() + kSlotOffset[s.slot ^ 1]);
    // Treated like a torn slot: the other one, intact, is the state.
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    EXPECT_EQ(s.superblock.sequence, 1u);
    EXPECT_EQ(get(1), bytesOf("one"));
}

}  // namespace
}  // namespace fenn
