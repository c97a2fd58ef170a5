// The commit rule seen from the file: compaction and a sealed slot that lies.
// (Torn slots, garbage after the committed end and damaged catalogs are the
// crash and integrity tests' business.)
#include "store_fixture.h"

#include "corpus.h"

namespace fenn {
namespace {

using ArchiveFileTest = StoreFixture;

TEST_F(ArchiveFileTest, CatalogGrowthIsCompactedAway) {
    ASSERT_EQ(create(bytesOf("x"), false, 32767), StoreError::Ok);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(store.setPermanent(archive, 1, i % 2 == 0), StoreError::Ok);
    ArchiveState s = readState();
    // 300 catalogs were written; only a bounded amount of them remains.
    EXPECT_LT(archiveSize(), 300u * s.superblock.catalogLength / 4 + 300 * 1024);
    EXPECT_EQ(get(1), bytesOf("x"));
}

TEST_F(ArchiveFileTest, TrimmingAndDeletionGiveTheSpaceBack) {
    Corpus c(3);
    ASSERT_EQ(create(c.binary(200000), false, 2), StoreError::Ok);
    uint64_t one = archiveSize();
    for (int i = 0; i < 12; ++i) ASSERT_EQ(add(c.binary(200000)), StoreError::Ok);  // unrelated contents
    EXPECT_EQ(numbers(), (std::vector<int>{12, 13}));
    uint64_t two = archiveSize();
    // The live contents (the two kept and any base they need) and dead
    // space of at most half of them: never the twelve contents written.
    ArchiveState kept = readState();
    uint64_t live = 0;
    for (const ContentRecord& c : kept.catalog.contents) live += c.length;
    EXPECT_LE(two, kDataStart + live + live / 2 + 2048);
    EXPECT_LT(two, one * 5);
    ASSERT_EQ(store.remove(archive, 12), StoreError::Ok);
    EXPECT_LT(archiveSize(), two * 2 / 3);
    ArchiveState s = readState();
    EXPECT_EQ(s.superblock.committedEnd, archiveSize());
}

TEST_F(ArchiveFileTest, ASealedSlotWithAWrappingLengthIsRefused) {
    ASSERT_EQ(create(bytesOf("one")), StoreError::Ok);
    ArchiveState s = readState();
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
