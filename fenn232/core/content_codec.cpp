#include "content_codec.h"

#include <algorithm>
#include <memory>

#include "buffer_pool.h"
#include "byte_codec.h"
#include "delta_encoder.h"
#include "piece_table.h"
#include "whole_codec.h"
#include "xxh64.h"

namespace fenn {
namespace {

// Delta payload: u8 method (0 plain, 1 zlib, 2 zlib with a preset
// dictionary), varint length of the operation stream; with method 2 the
// varint start and length of the dictionary, a range of the base content;
// then the stream.
enum DeltaMethod : uint8_t { kPlain = 0, kZlib = 1, kZlibDictionary = 2 };
constexpr uint64_t kDictionaryBefore = 28 * 1024;
constexpr uint64_t kDictionaryAfter = 4 * 1024;

bool decodeDeltaOps(const uint8_t* payload, size_t size, uint64_t rawSize, const PieceTable& base,
                    std::vector<uint8_t>* ops) {
    ByteReader r(payload, size);
    uint8_t method = r.u8();
    uint64_t length = r.varint();
    uint64_t dictStart = 0, dictLength = 0;
    if (method == kZlibDictionary) {
        dictStart = r.varint();
        dictLength = r.varint();
    }
    if (!r.ok() || method > kZlibDictionary) return false;
    // An operation stream is never much longer than its content, and zlib
    // never expands more than about 1032 to 1.
    if (length > 2 * rawSize + 1024) return false;
    if (method != kPlain && length > uint64_t(r.remaining()) * 1040 + 1024) return false;
    if (method == kPlain) {
        if (length != r.remaining()) return false;
        ops->assign(r.position(), r.position() + r.remaining());
        return true;
    }
    ops->resize(size_t(length));
    if (method == kZlib) return inflateBuffer(r.position(), r.remaining(), ops->data(), ops->size());
    if (dictLength > kDictionaryBefore + kDictionaryAfter) return false;
    std::vector<uint8_t> dictionary(static_cast<size_t>(dictLength));
    if (!base.copyRange(dictStart, dictLength, dictionary.data())) return false;
    return inflateWithDictionary(r.position(), r.remaining(), dictionary.data(), dictionary.size(), ops->data(),
                                 ops->size());
}

// Where in the old content the first new bytes go: the end of the copy
// before the first literal. New text is most like the text around it.
uint64_t firstLiteralAnchor(const std::vector<uint8_t>& ops) {
    ByteReader r(ops.data(), ops.size());
    uint64_t expected = 0;
    while (r.remaining() > 0) {
        uint64_t literal = r.varint();
        if (literal) return expected;
        uint64_t copy = r.varint();
        if (!r.ok()) break;
        if (copy) {
            uint64_t zig = r.varint();
            expected += uint64_t(int64_t(zig >> 1) ^ -int64_t(zig & 1)) + copy;
        }
    }
    return expected;
}

// Reads the blocks of a chain with as few reads as the layout allows: blocks
// of one chain were appended in order, so they usually lie close together.
StoreError readChain(File& file, const std::vector<const ContentRecord*>& chain,
                     std::vector<std::vector<uint8_t>>* blocks) {
    blocks->resize(chain.size());
    std::vector<size_t> order(chain.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return chain[a]->offset < chain[b]->offset; });
    const uint64_t kGap = 64 * 1024;
    size_t i = 0;
    std::vector<uint8_t> span;
    while (i < order.size()) {
        size_t j = i + 1;
        uint64_t start = chain[order[i]]->offset;
        uint64_t end = start + chain[order[i]]->length;
        while (j < order.size() && chain[order[j]]->offset <= end + kGap &&
               chain[order[j]]->offset + chain[order[j]]->length - start <= (uint64_t(64) << 20)) {
            end = std::max(end, chain[order[j]]->offset + chain[order[j]]->length);
            ++j;
        }
        if (j == i + 1) {
            StoreError e = ArchiveFile::readContentBlock(file, *chain[order[i]], &(*blocks)[order[i]]);
            if (e != StoreError::Ok) return e;
        } else {
            span = BufferPool::take(size_t(end - start));
            span.resize(size_t(end - start));
            if (!file.read(start, span.data(), span.size())) return StoreError::Io;
            for (size_t k = i; k < j; ++k) {
                const ContentRecord& c = *chain[order[k]];
                const uint8_t* at = span.data() + (c.offset - start);
                std::vector<uint8_t>& block = (*blocks)[order[k]];
                block = BufferPool::take(size_t(c.length));
                block.assign(at, at + c.length);
                BlockHeader h;
                if (!BlockFormat::decodeHeader(block.data(), &h) || uint8_t(h.kind) != c.kind ||
                    h.payloadLength != c.length - kBlockHeaderSize ||
                    !BlockFormat::verify(block.data(), block.data() + kBlockHeaderSize, size_t(h.payloadLength)))
                    return StoreError::Corrupt;
            }
        }
        i = j;
    }
    BufferPool::give(std::move(span));
    return StoreError::Ok;
}

}  // namespace

StoreError ContentCodec::rebuild(File& file, const Catalog& catalog, uint32_t id, std::vector<uint8_t>* out) {
    std::vector<const ContentRecord*> chain;  // newest first
    for (const ContentRecord* c = catalog.content(id); c; c = c->base ? catalog.content(c->base) : nullptr) {
        if (c->rawSize > kMaxContentSize) return StoreError::Corrupt;
        chain.push_back(c);
    }
    if (chain.empty() || chain.back()->kind != uint8_t(BlockKind::Whole)) return StoreError::Corrupt;
    std::reverse(chain.begin(), chain.end());
    std::vector<std::vector<uint8_t>> blocks;
    StoreError e = readChain(file, chain, &blocks);
    if (e != StoreError::Ok) return e;

    std::vector<uint8_t> root = BufferPool::take(size_t(chain[0]->rawSize));
    bool decoded = WholeCodec::decode(blocks[0].data() + kBlockHeaderSize, blocks[0].size() - kBlockHeaderSize,
                                      chain[0]->rawSize, &root);
    BufferPool::give(std::move(blocks[0]));
    if (!decoded) return StoreError::Corrupt;
    if (chain.size() == 1) {
        out->swap(root);
    } else {
        std::vector<std::vector<uint8_t>> ops(chain.size());
        PieceTable current(root.data(), root.size());
        PieceTable next;
        for (size_t i = 1; i < chain.size(); ++i) {
            const std::vector<uint8_t>& b = blocks[i];
            if (!decodeDeltaOps(b.data() + kBlockHeaderSize, b.size() - kBlockHeaderSize, chain[i]->rawSize, current,
                                &ops[i]) ||
                !current.apply(ops[i].data(), ops[i].size(), chain[i]->rawSize, &next))
                return StoreError::Corrupt;
            std::swap(current, next);
            std::vector<uint8_t>().swap(blocks[i]);
        }
        *out = BufferPool::take(size_t(current.size()));
        out->resize(size_t(current.size()));
        current.copyTo(out->data());
        BufferPool::give(std::move(root));
    }
    if (out->size() != chain.back()->rawSize || Xxh64::hash(out->data(), out->size()) != chain.back()->rawHash)
        return StoreError::Corrupt;
    return StoreError::Ok;
}

StoreError ContentCodec::encode(Catalog* catalog, const uint8_t* data, size_t size, uint64_t hash,
                                const std::vector<uint8_t>* previous, uint32_t previousId,
                                PendingBlock* block) {
    if (size > kMaxContentSize) return StoreError::TooLarge;
    ContentRecord record;
    record.id = catalog->lastContentId + 1;
    record.rawSize = size;
    record.rawHash = hash;
    block->contentId = record.id;
    block->bytes.clear();

    const ContentRecord* prev = previous ? catalog->content(previousId) : nullptr;
    const ContentRecord* root = prev;
    while (root && root->base) root = catalog->content(root->base);
    bool chainOpen = prev && root && prev->depth + 1 <= kMaxChainDepth;
    if (chainOpen) {
        std::vector<uint8_t> ops = DeltaEncoder::encode(previous->data(), previous->size(), data, size);
        // The encoder's output is checked by decoding it before it is trusted.
        PieceTable source(previous->data(), previous->size());
        PieceTable check;
        bool exact = source.apply(ops.data(), ops.size(), size, &check) && check.equals(data, size);
        std::vector<uint8_t> payload;
        ByteWriter w(payload);
        std::vector<uint8_t> zipped;
        uint8_t method = kPlain;
        uint64_t dictStart = 0, dictLength = 0;
        if (catalog->compressed) {
            uint64_t anchor = std::min<uint64_t>(firstLiteralAnchor(ops), previous->size());
            dictStart = anchor > kDictionaryBefore ? anchor - kDictionaryBefore : 0;
            dictLength = std::min<uint64_t>(previous->size() - dictStart, anchor - dictStart + kDictionaryAfter);
            std::vector<uint8_t> plainZip;
            if (dictLength && deflateWithDictionary(ops.data(), ops.size(), previous->data() + dictStart,
                                                    size_t(dictLength), &zipped) &&
                zipped.size() < ops.size())
                method = kZlibDictionary;
            if (deflateBuffer(ops.data(), ops.size(), 9, &plainZip) &&
                plainZip.size() < (method == kZlibDictionary ? zipped.size() : ops.size())) {
                zipped.swap(plainZip);
                method = kZlib;
            }
        }
        w.u8(method);
        w.varint(ops.size());
        if (method == kZlibDictionary) {
            w.varint(dictStart);
            w.varint(dictLength);
        }
        if (method != kPlain) w.bytes(zipped.data(), zipped.size());
        else w.bytes(ops.data(), ops.size());
        uint64_t blockBytes = payload.size() + kBlockHeaderSize;
        // A chain holds at most twice its whole's bytes in deltas: rebuilding
        // any content reads at most three compressed copies' worth.
        if (exact && prev->chainBytes + blockBytes <= 2 * root->length) {
            record.kind = uint8_t(BlockKind::Delta);
            record.base = prev->id;
            record.depth = prev->depth + 1;
            record.chainBytes = prev->chainBytes + blockBytes;
            BlockFormat::appendBlock(BlockKind::Delta, payload.data(), payload.size(), &block->bytes);
        }
    }
    if (block->bytes.empty()) {
        std::vector<uint8_t> payload = WholeCodec::encode(data, size, catalog->compressed);
        record.kind = uint8_t(BlockKind::Whole);
        BlockFormat::appendBlock(BlockKind::Whole, payload.data(), payload.size(), &block->bytes);
    }
    record.length = block->bytes.size();
    catalog->lastContentId = record.id;
    catalog->contents.push_back(record);
    return StoreError::Ok;
}

}  // namespace fenn
