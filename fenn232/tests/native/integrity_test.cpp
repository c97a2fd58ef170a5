// Damage: every single-byte change of a small archive is either reported or
// harmless (bytes no reader uses); no read ever returns wrong bytes, and a
// version whose blocks are intact stays readable when another block is hit.
#include "store_fixture.h"

#include "corpus.h"
#include "xxh64.h"

namespace fenn {
namespace {

class IntegrityTest : public StoreFixture {
protected:
    void SetUp() override {
        Corpus c(31);
        history.push_back(c.text(1500));
        ASSERT_EQ(create(history.back(), false, 10), StoreError::Ok);
        history.push_back(c.editLines(history.back(), 1));
        ASSERT_EQ(add(history.back()), StoreError::Ok);
        history.push_back(c.binary(1200));  // unrelated: a second whole
        ASSERT_EQ(add(history.back()), StoreError::Ok);
        history.push_back(c.patchRegions(history.back(), 1, 8));
        ASSERT_EQ(add(history.back()), StoreError::Ok);
        ASSERT_EQ(store.read(archive, &state), StoreError::Ok);
        pristine = fs.bytes(archive);
    }
    bool blockHit(uint32_t contentId, uint64_t at) {
        for (const ContentRecord* c = state.catalog.content(contentId); c;
             c = c->base ? state.catalog.content(c->base) : nullptr)
            if (at >= c->offset && at < c->offset + c->length) return true;
        return false;
    }
    std::vector<Bytes> history;
    ArchiveState state;
    Bytes pristine;
};

TEST_F(IntegrityTest, EveryFlipOfALiveByteIsReportedAndNoneReturnsWrongBytes) {
    // Live bytes: what the committed state is read from. The rest (the
    // preamble, which a sound slot stands in for, the older slot, the lease
    // record, unused catalog room) costs no reader anything.
    std::vector<bool> live(pristine.size(), false);
    auto mark = [&](uint64_t from, uint64_t length) {
        for (uint64_t i = from; i < from + length; ++i) live[size_t(i)] = true;
    };
    mark(kSlotOffset[state.slot], 64);
    mark(state.superblock.catalogOffset, state.superblock.catalogLength);
    for (auto& c : state.catalog.contents) mark(c.offset, c.length);

    int reported = 0, harmless = 0;
    const uint64_t catalogStart = state.superblock.catalogOffset;
    const uint64_t catalogEnd = catalogStart + state.superblock.catalogLength;
    for (size_t at = 0; at < pristine.size(); ++at) {
        fs.bytes(archive) = pristine;
        fs.bytes(archive)[at] ^= 0x5A;
        // Every byte comes from the file: a catalog kept parsed stands only
        // for a block that still checks, so a flip in it falls back as well.
        ContentCache::clear();
        ArchiveState s;
        StoreError readStatus = store.read(archive, &s);
        bool anyFailure = readStatus != StoreError::Ok;
        // A damaged newest catalog leaves the older slot's state readable:
        // the three versions before the last.
        if (at >= catalogStart && at < catalogEnd) {
            ASSERT_EQ(readStatus, StoreError::Ok) << "catalog flip at " << at;
            ASSERT_EQ(s.catalog.versions.size(), 3u) << "catalog flip at " << at;
        }
        for (int n = 1; n <= 4; ++n) {
            Bytes out;
            StoreError r = store.retrieveBytes(archive, n, &out);
            if (r == StoreError::Ok) {
                ASSERT_EQ(out, history[size_t(n - 1)]) << "wrong bytes, flip at " << at;
            } else {
                anyFailure = true;
                // Only a hit on this version's own blocks, the catalog or
                // the fixed area may cost it.
                bool owned = at < kDataStart || (at >= catalogStart && at < catalogEnd) ||
                             blockHit(state.catalog.versions[size_t(n - 1)].contentId, at);
                ASSERT_TRUE(owned) << "version " << n << " lost to a flip at " << at;
            }
        }
        if (live[at]) {
            ASSERT_TRUE(anyFailure) << "flip of a live byte unnoticed at " << at;
            ++reported;
        } else {
            ASSERT_FALSE(anyFailure) << "flip of an unused byte mattered at " << at;
            ++harmless;
        }
    }
    EXPECT_GT(reported, 1000);
    EXPECT_GT(harmless, 0);
}

TEST_F(IntegrityTest, TruncatedForeignAndLaterFormatFilesAreRefusedAsSuch) {
    for (size_t len : {size_t(0), size_t(7), size_t(100), size_t(kDataStart), pristine.size() / 2,
                       pristine.size() - 1}) {
        fs.bytes(archive) = Bytes(pristine.begin(), pristine.begin() + long(len));
        ArchiveState s;
        EXPECT_NE(store.read(archive, &s), StoreError::Ok) << len;
        Bytes out;
        EXPECT_NE(store.retrieveBytes(archive, 1, &out), StoreError::Ok) << len;
        EXPECT_NE(add(bytesOf("x")), StoreError::Ok) << len;
    }
    fs.bytes(archive) = bytesOf(std::string(4096, 'M'));
    ArchiveState s;
    EXPECT_EQ(store.read(archive, &s), StoreError::Foreign);
    EXPECT_EQ(store.setMaxTemp(archive, 3), StoreError::Foreign);
    EXPECT_EQ(store.remove(archive, 1), StoreError::Foreign);
    // A later format version, with the preamble's seal renewed, is no damage.
    Bytes b = pristine;
    b[8] = uint8_t(kFormatVersion + 1);
    uint64_t seal = Xxh64::hash(b.data(), 56);
    for (int i = 0; i < 8; ++i) b[56 + size_t(i)] = uint8_t(seal >> (8 * i));
    fs.bytes(archive) = b;
    EXPECT_EQ(store.read(archive, &s), StoreError::Unsupported);
}

}  // namespace
}  // namespace fenn
