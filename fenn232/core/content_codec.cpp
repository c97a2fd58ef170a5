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

void appendHistory(std::vector<uint8_t>* history, const uint8_t* ops, size_t size) {
    if (size >= kChainWindow) {
        history->assign(ops + size - kChainWindow, ops + size);
        return;
    }
    size_t keep = std::min(history->size(), kChainWindow - size);
    history->erase(history->begin(), history->end() - ptrdiff_t(keep));
    history->insert(history->end(), ops, ops + size);
}

namespace {

// Delta payload: u8 method (0 plain, 1 chained), varint length of the
// operation stream, then the stream: as it is (plain), or as this delta's
// part of the chain's deflate stream (chained, see deflateChainPart).
enum DeltaMethod : uint8_t { kPlain = 0, kChained = 1 };

// The operation stream of one delta. Chained parts go through the chain's
// one inflater in chain order; `history` keeps at least the last 32 KiB of
// the chained operations.
bool decodeDeltaOps(const uint8_t* payload, size_t size, uint64_t rawSize, ChainInflater* inflater,
                    std::vector<uint8_t>* history, std::vector<uint8_t>* ops) {
    ByteReader r(payload, size);
    uint8_t method = r.u8();
    uint64_t length = r.varint();
    if (!r.ok() || method > kChained) return false;
    // An operation stream is never much longer than its content, and deflate
    // never expands more than about 1032 to 1.
    if (length > 2 * rawSize + 1024) return false;
    if (method == kPlain) {
        if (length != r.remaining()) return false;
        ops->assign(r.position(), r.position() + r.remaining());
        return true;
    }
    if (length > uint64_t(r.remaining()) * 1040 + 1024) return false;
    ops->resize(size_t(length));
    if (!inflater->next(r.position(), r.remaining(), ops->data(), ops->size())) return false;
    // Trimmed only past twice the window: a long chain moves each byte once.
    history->insert(history->end(), ops->begin(), ops->end());
    if (history->size() > 2 * kChainWindow) history->erase(history->begin(), history->end() - kChainWindow);
    return true;
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

StoreError ContentCodec::rebuild(File& file, const Catalog& catalog, uint32_t id, std::vector<uint8_t>* out,
                                 std::vector<uint8_t>* history) {
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
    std::vector<uint8_t> tail;
    if (chain.size() == 1) {
        out->swap(root);
    } else {
        std::vector<std::vector<uint8_t>> ops(chain.size());
        PieceTable current(root.data(), root.size());
        PieceTable next;
        ChainInflater inflater;
        // A long chain scatters the content over many pieces, and every
        // delta walks them all: past a bound the pieces are joined into one
        // buffer (two, in turn: the new one is built from the old).
        std::vector<uint8_t> flat[2];
        int spare = 0;
        for (size_t i = 1; i < chain.size(); ++i) {
            const std::vector<uint8_t>& b = blocks[i];
            if (!decodeDeltaOps(b.data() + kBlockHeaderSize, b.size() - kBlockHeaderSize, chain[i]->rawSize,
                                &inflater, &tail, &ops[i]) ||
                !current.apply(ops[i].data(), ops[i].size(), chain[i]->rawSize, &next))
                return StoreError::Corrupt;
            std::swap(current, next);
            BufferPool::give(std::move(blocks[i]));
            if (i + 1 < chain.size() && current.pieceCount() > 64 + current.size() / 2048) {
                if (flat[spare].capacity() < current.size()) {
                    BufferPool::give(std::move(flat[spare]));
                    flat[spare] = BufferPool::take(size_t(current.size()));
                }
                flat[spare].resize(size_t(current.size()));
                current.copyTo(flat[spare].data());
                current = PieceTable(flat[spare].data(), flat[spare].size());
                spare ^= 1;
                for (size_t k = 1; k <= i; ++k) std::vector<uint8_t>().swap(ops[k]);
                BufferPool::give(std::move(root));
            }
        }
        *out = BufferPool::take(size_t(current.size()));
        out->resize(size_t(current.size()));
        current.copyTo(out->data());
        BufferPool::give(std::move(root));
        BufferPool::give(std::move(flat[0]));
        BufferPool::give(std::move(flat[1]));
    }
    if (out->size() != chain.back()->rawSize || Xxh64::hash(out->data(), out->size()) != chain.back()->rawHash)
        return StoreError::Corrupt;
    if (tail.size() > kChainWindow) tail.erase(tail.begin(), tail.end() - kChainWindow);
    if (history) history->swap(tail);
    return StoreError::Ok;
}

StoreError ContentCodec::encode(Catalog* catalog, const uint8_t* data, size_t size, uint64_t hash,
                                const std::vector<uint8_t>* previous, uint32_t previousId,
                                const std::vector<uint8_t>* history, PendingBlock* block,
                                std::vector<uint8_t>* newHistory) {
    if (size > kMaxContentSize) return StoreError::TooLarge;
    ContentRecord record;
    record.id = catalog->lastContentId + 1;
    record.rawSize = size;
    record.rawHash = hash;
    block->contentId = record.id;
    block->bytes.clear();
    newHistory->clear();

    const ContentRecord* prev = previous ? catalog->content(previousId) : nullptr;
    const ContentRecord* root = prev;
    while (root && root->base) root = catalog->content(root->base);
    bool chainOpen = prev && root && history && prev->depth + 1 <= kMaxChainDepth;
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
        if (catalog->compressed) {
            // Every delta of a compressed chain takes part in its stream, so
            // the next one may refer back to this one's operations.
            std::vector<uint8_t> back(ops.size());
            ChainInflater inflater;
            exact = exact && deflateChainPart(ops.data(), ops.size(), history->data(), history->size(), &zipped) &&
                    inflater.preset(history->data(), history->size()) &&
                    inflater.next(zipped.data(), zipped.size(), back.data(), back.size()) && back == ops;
            method = kChained;
        }
        w.u8(method);
        w.varint(ops.size());
        if (method != kPlain) w.bytes(zipped.data(), zipped.size());
        else w.bytes(ops.data(), ops.size());
        uint64_t blockBytes = payload.size() + kBlockHeaderSize;
        // A chain's deltas weigh at most twice its whole, scaled to the size
        // the content has grown to: rebuilding any content reads at most
        // about three compressed copies' worth.
        uint64_t rootRaw = std::max<uint64_t>(root->rawSize, 1);
        uint64_t budget = 2 * root->length * std::max<uint64_t>(size, rootRaw) / rootRaw;
        if (exact && prev->chainBytes + blockBytes <= budget) {
            record.kind = uint8_t(BlockKind::Delta);
            record.base = prev->id;
            record.depth = prev->depth + 1;
            record.chainBytes = prev->chainBytes + blockBytes;
            BlockFormat::appendBlock(BlockKind::Delta, payload.data(), payload.size(), &block->bytes);
            if (method == kChained) {
                *newHistory = *history;
                appendHistory(newHistory, ops.data(), ops.size());
            }
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
