// Checksums, the delta encoder with its piece table, whole-version chunks,
// stamps, and the worker threads that code them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <random>
#include <thread>

#include "block_cache.h"
#include "corpus.h"
#include "delta_encoder.h"
#include "dos_time.h"
#include "parallel.h"
#include "piece_table.h"
#include "whole_codec.h"
#include "xxh64.h"

namespace fenn {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes roundTrip(const Bytes& from, const Bytes& to, size_t* opsSize = nullptr) {
    Bytes ops = DeltaEncoder::encode(from.data(), from.size(), to.data(), to.size());
    if (opsSize) *opsSize = ops.size();
    PieceTable result;
    EXPECT_TRUE(PieceTable(from.data(), from.size()).apply(ops.data(), ops.size(), to.size(), &result));
    Bytes out(result.size());
    result.copyTo(out.data());
    EXPECT_TRUE(result.equals(to.data(), to.size()));
    if (!to.empty()) {
        Bytes other = to;
        other[other.size() / 2] ^= 1;
        EXPECT_FALSE(result.equals(other.data(), other.size()));
    }
    return out;
}

TEST(Xxh64, MatchesPublishedValuesAndStreamsAcrossBufferBoundaries) {
    EXPECT_EQ(Xxh64::hash("", 0), 0xEF46DB3751D8E999ULL);
    EXPECT_EQ(Xxh64::hash("abc", 3), 0x44BC2CF5AD770999ULL);
    Bytes data = Corpus(3).binary(1000);
    Xxh64 x(7);
    x.update(data.data(), 31);
    x.update(data.data() + 31, data.size() - 31);
    EXPECT_EQ(x.digest(), Xxh64::hash(data.data(), data.size(), 7));
}

TEST(DeltaEncoder, AnyPairOfContentsRoundTripsAndAnEditIsSmall) {
    Corpus c(11);
    Bytes a = c.text(200000), b = c.editLines(a, 4), t = c.text(5000), bin = c.binary(7000);
    size_t ops = 0;
    EXPECT_EQ(roundTrip(a, b, &ops), b);
    EXPECT_LT(ops, 2000u);  // four lines of ~80 bytes plus a few copies
    std::vector<std::pair<Bytes, Bytes>> pairs = {
        {{}, t}, {t, {}}, {t, t}, {t, bin}, {Bytes(100, 'x'), Bytes(300, 'x')}};
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        Bytes from(rng() % 3000);
        for (auto& x : from) x = uint8_t(rng() % 4);  // few symbols: many false candidates
        Bytes to = from;
        for (int e = 0; e < 5; ++e) {
            size_t at = to.empty() ? 0 : rng() % to.size();
            if (rng() % 2) to.insert(to.begin() + long(at), uint8_t(rng()));
            else if (!to.empty()) to.erase(to.begin() + long(at));
        }
        pairs.emplace_back(from, to);
    }
    for (size_t i = 0; i < pairs.size(); ++i) ASSERT_EQ(roundTrip(pairs[i].first, pairs[i].second), pairs[i].second) << i;
}

TEST(PieceTable, RefusesCopiesOutsideTheSourceAndWrongSizes) {
    Bytes src(100, 1);
    PieceTable t(src.data(), src.size());
    PieceTable out;
    // literal 0, copy 10 from distance +95: reaches byte 105.
    Bytes beyond = {0, 10, 0xBE, 0x01};
    EXPECT_FALSE(t.apply(beyond.data(), beyond.size(), 10, &out));
    Bytes fine = {0, 10, 0};
    EXPECT_TRUE(t.apply(fine.data(), fine.size(), 10, &out));
    EXPECT_FALSE(t.apply(fine.data(), fine.size(), 11, &out));
    Bytes truncated = {5, 'a', 'b'};
    EXPECT_FALSE(t.apply(truncated.data(), truncated.size(), 5, &out));
}

TEST(PieceTable, LongChainsStayCompact) {
    // Pieces point into the first text and the operations: all kept alive.
    Corpus c(13);
    const Bytes first = c.text(100000);
    PieceTable current(first.data(), first.size());
    std::vector<Bytes> opsKept;
    Bytes previous = first;
    for (int i = 0; i < 50; ++i) {
        Bytes next = c.editLines(previous, 2);
        opsKept.push_back(DeltaEncoder::encode(previous.data(), previous.size(), next.data(), next.size()));
        PieceTable t;
        ASSERT_TRUE(current.apply(opsKept.back().data(), opsKept.back().size(), next.size(), &t));
        current = t;
        previous = next;
    }
    EXPECT_TRUE(current.equals(previous.data(), previous.size()));
    EXPECT_LT(current.pieceCount(), 50u * 2 * 3 + 2);

    // Moved and repeated blocks: copies that start and end inside pieces and
    // span many whole ones, which move as runs.
    std::mt19937 rng(17);
    for (int i = 0; i < 150; ++i) {
        Bytes next;
        while (next.size() < 90000) {
            size_t from = rng() % previous.size(), length = 1 + rng() % 20000;
            length = std::min(length, previous.size() - from);
            next.insert(next.end(), previous.begin() + long(from), previous.begin() + long(from + length));
            if (rng() % 3 == 0) next.push_back(uint8_t('A' + rng() % 26));
        }
        opsKept.push_back(DeltaEncoder::encode(previous.data(), previous.size(), next.data(), next.size()));
        PieceTable t;
        ASSERT_TRUE(current.apply(opsKept.back().data(), opsKept.back().size(), next.size(), &t)) << i;
        current = t;
        Bytes out(current.size());
        current.copyTo(out.data());
        ASSERT_EQ(out, next) << i;
        Bytes part(777);
        ASSERT_TRUE(current.copyRange(next.size() / 3, part.size(), part.data()));
        ASSERT_TRUE(std::equal(part.begin(), part.end(), next.begin() + long(next.size() / 3))) << i;
        previous = next;
    }
    EXPECT_GT(current.pieceCount(), 1000u);  // the runs above were long ones
}

TEST(WholeCodec, RoundTripsAcrossChunksCompressedAndStored) {
    Corpus c(14);
    Bytes data = c.text(WholeCodec::kChunkSize * 2 + 12345);
    for (bool compress : {true, false}) {
        Bytes payload = WholeCodec::encode(data.data(), data.size(), compress);
        EXPECT_LT(payload.size(), compress ? data.size() / 2 : data.size() + 64);
        Bytes out;
        ASSERT_TRUE(WholeCodec::decode(payload.data(), payload.size(), data.size(), &out));
        EXPECT_EQ(out, data);
        EXPECT_FALSE(WholeCodec::decode(payload.data(), payload.size(), data.size() + 1, &out));
        EXPECT_FALSE(WholeCodec::decode(payload.data(), payload.size() - 1, data.size(), &out));

        // Chunk by chunk: in order, one at a time, each a whole chunk.
        std::atomic<int> inside{0};
        std::vector<size_t> sizes;
        Bytes streamed;
        auto gather = [&](const uint8_t* d, size_t n) {
            EXPECT_EQ(inside++, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // later chunks finish meanwhile
            streamed.insert(streamed.end(), d, d + n);
            sizes.push_back(n);
            --inside;
            return true;
        };
        ASSERT_TRUE(WholeCodec::decodeTo(payload.data(), payload.size(), data.size(), gather));
        EXPECT_EQ(streamed, data);
        EXPECT_EQ(sizes, (std::vector<size_t>{WholeCodec::kChunkSize, WholeCodec::kChunkSize, 12345}));
        // A sink that fails stops the decoding; so does a damaged last chunk
        // (its zlib check: stored chunks are the block checksum's to guard).
        int calls = 0;
        EXPECT_FALSE(WholeCodec::decodeTo(payload.data(), payload.size(), data.size(),
                                          [&](const uint8_t*, size_t) { return ++calls < 2; }));
        EXPECT_EQ(calls, 2);
        if (!compress) continue;
        Bytes damaged = payload;
        damaged[damaged.size() - 3] ^= 1;
        streamed.clear();
        EXPECT_FALSE(WholeCodec::decodeTo(damaged.data(), damaged.size(), data.size(), gather));
        EXPECT_LT(streamed.size(), data.size());
    }
}

TEST(DosTime, PacksUtcFieldsAsTheFormatLaysThemOut) {
    // 1999-10-29 14:30:20 UTC: years since 1980, month, day, hour, minute, seconds / 2.
    EXPECT_EQ(DosTime::pack(941207420), (19u << 25) | (10u << 21) | (29u << 16) | (14u << 11) | (30u << 5) | 10u);
    CivilTime t = DosTime::unpack(DosTime::pack(951782400));  // 2000-02-29 00:00:00
    EXPECT_EQ(t.year * 10000 + t.month * 100 + t.day, 20000229);
    EXPECT_EQ(DosTime::unpack(DosTime::pack(0)).year, 1980);  // clamped
}

TEST(ParallelFor, AFailureInAWorkerThreadComesOutOnTheCaller) {
    // Unhandled in its own thread, it would end the host process.
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> workerRan{false};
    auto fn = [&](size_t) {
        if (std::this_thread::get_id() != caller) {
            workerRan = true;
            throw std::bad_alloc();
        }
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!workerRan && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
    };
    ASSERT_GE(std::thread::hardware_concurrency(), 2u) << "needs a second core for a worker thread";
    EXPECT_THROW(parallelFor(64, fn), std::bad_alloc);
    EXPECT_TRUE(workerRan);
}

TEST(BlockCache, ReusesBlocksOfAboutTheSizeAskedAndKeepsAtMostItsBound) {
    const size_t kKiB = 1024, kMiB = kKiB * kKiB;
    // Rounding: small requests as they are, large ones up by less than an
    // eighth.
    EXPECT_EQ(BlockCache::roundedSize(1000), 1000u);
    EXPECT_EQ(BlockCache::roundedSize(64 * kKiB + 1), 72 * kKiB);
    EXPECT_EQ(BlockCache::roundedSize(1300 * kKiB), 1408 * kKiB);
    EXPECT_EQ(BlockCache::roundedSize(SIZE_MAX - 5), 0u);
    for (size_t n : {size_t(70000), size_t(3333333), size_t(50) * kMiB}) {
        EXPECT_LE(n, BlockCache::roundedSize(n));
        EXPECT_LT(BlockCache::roundedSize(n) - n, n / 8);
    }

    BlockCache cache;
    size_t size = 0;
    EXPECT_FALSE(cache.keep(nullptr, 4 * kKiB));  // small blocks go back to the heap
    EXPECT_FALSE(cache.keep(nullptr, 33 * kMiB));
    void* eight = std::malloc(8 * kMiB);
    ASSERT_TRUE(cache.keep(eight, 8 * kMiB));
    EXPECT_EQ(cache.take(9 * kMiB, &size), nullptr);  // too small
    EXPECT_EQ(cache.take(6 * kMiB, &size), nullptr);  // more than a quarter too large
    EXPECT_EQ(cache.take(7 * kMiB, &size), eight);
    EXPECT_EQ(size, 8 * kMiB);
    EXPECT_EQ(cache.keptBytes(), 0u);

    // Four blocks of 10 MiB, then the 8 MiB one: each that would pass
    // 32 MiB pushes out the oldest. The smallest fitting block goes first.
    void* blocks[4];
    for (void*& b : blocks) ASSERT_TRUE(cache.keep(b = std::malloc(10 * kMiB), 10 * kMiB));
    ASSERT_TRUE(cache.keep(eight, 8 * kMiB));
    EXPECT_EQ(cache.keptBytes(), 28 * kMiB);
    EXPECT_EQ(cache.take(8 * kMiB, &size), eight);
    void* first = cache.take(10 * kMiB, &size);
    void* second = cache.take(10 * kMiB, &size);
    EXPECT_TRUE((first == blocks[2] && second == blocks[3]) || (first == blocks[3] && second == blocks[2]));
    EXPECT_EQ(cache.take(10 * kMiB, &size), nullptr);
    for (void* b : {eight, first, second}) std::free(b);

    // Asking for 50 MiB raises the bound to three times that, so such a
    // block is kept for the next save. Small requests bring the bound back
    // down, and the large block goes.
    EXPECT_EQ(cache.take(50 * kMiB, &size), nullptr);
    void* large = std::malloc(50 * kMiB);
    ASSERT_TRUE(cache.keep(large, 50 * kMiB));
    EXPECT_EQ(cache.take(48 * kMiB, &size), large);
    ASSERT_TRUE(cache.keep(large, 50 * kMiB));
    for (int i = 0; i < 64; ++i) EXPECT_EQ(cache.take(kMiB, &size), nullptr);
    EXPECT_EQ(cache.keptBytes(), 0u);
    EXPECT_EQ(cache.take(48 * kMiB, &size), nullptr);
}

}  // namespace
}  // namespace fenn
