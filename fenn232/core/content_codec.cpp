#include "content_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "byte_codec.h"
#include "delta_encoder.h"
#include "parallel.h"
#include "piece_table.h"
#include "platform.h"
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

// The blocks of a chain, read with as few reads as the layout allows:
// blocks of one chain were appended in order, so they usually lie close
// together, and each is used where it lies in the span read.
struct ChainBlocks {
    struct View {
        const uint8_t* data;
        size_t size;
    };
    std::vector<View> views;  // in chain order, each with its header
    std::vector<std::vector<uint8_t>> spans;
};

StoreError readChain(File& file, const std::vector<const ContentRecord*>& chain, ChainBlocks* out) {
    out->views.assign(chain.size(), ChainBlocks::View{nullptr, 0});
    out->spans.clear();
    std::vector<size_t> order(chain.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return chain[a]->offset < chain[b]->offset; });
    const uint64_t kGap = 64 * 1024;
    size_t i = 0;
    while (i < order.size()) {
        size_t j = i + 1;
        uint64_t start = chain[order[i]]->offset;
        uint64_t end = start + chain[order[i]]->length;
        while (j < order.size() && chain[order[j]]->offset <= end + kGap &&
               chain[order[j]]->offset + chain[order[j]]->length - start <= (uint64_t(64) << 20)) {
            end = std::max(end, chain[order[j]]->offset + chain[order[j]]->length);
            ++j;
        }
        out->spans.emplace_back(size_t(end - start));
        std::vector<uint8_t>& span = out->spans.back();
        if (!file.read(start, span.data(), span.size())) return StoreError::Io;
        for (size_t k = i; k < j; ++k) {
            const ContentRecord& c = *chain[order[k]];
            const uint8_t* at = span.data() + (c.offset - start);
            if (!ArchiveFile::checkContentBlock(at, c)) return StoreError::Corrupt;
            out->views[order[k]] = ChainBlocks::View{at, size_t(c.length)};
        }
        i = j;
    }
    return StoreError::Ok;
}

// A long chain scatters the content over many pieces, and every delta walks
// them all; joining them copies the content once. Joining when the pieces
// pass about the square root of the size balances the two (a 250 KB text:
// about 230 pieces; 5 MiB: about 830).
size_t joinBound(uint64_t size) { return size_t(64 + std::sqrt(double(size)) / 3); }

// The operation streams of a chain's deltas (chain[1] on), one after the
// other in `all`, delta i's ending at ends[i]: plain ones as they are,
// chained parts through one inflater in chain order. Inflating into one
// buffer lets zlib run its fast loop across the ends of small parts.
// `history` gets the last 32 KiB of the chained parts' streams.
bool decodeChainOps(const std::vector<const ContentRecord*>& chain, const ChainBlocks& blocks,
                    std::vector<uint8_t>* all, std::vector<size_t>* ends, std::vector<uint8_t>* history) {
    struct Part {
        uint8_t method;
        uint64_t length;
        const uint8_t* data;
        size_t size;
    };
    std::vector<Part> parts(chain.size());
    uint64_t total = 0;
    for (size_t i = 1; i < chain.size(); ++i) {
        const ChainBlocks::View& b = blocks.views[i];
        ByteReader r(b.data + kBlockHeaderSize, b.size - kBlockHeaderSize);
        Part& p = parts[i];
        p.method = r.u8();
        p.length = r.varint();
        if (!r.ok() || p.method > kChained) return false;
        // An operation stream is never much longer than its content, and
        // deflate never expands more than about 1032 to 1.
        if (p.length > 2 * chain[i]->rawSize + 1024) return false;
        if (p.method == kPlain ? p.length != r.remaining() : p.length > uint64_t(r.remaining()) * 1040 + 1024)
            return false;
        p.data = r.position();
        p.size = r.remaining();
        total += p.length;  // at most 1024 deltas of at most 2 GiB each
    }
    if (total > SIZE_MAX / 2) return false;
    all->resize(size_t(total));
    ends->assign(chain.size(), 0);
    ChainInflater inflater;
    size_t at = 0;
    for (size_t i = 1; i < chain.size(); ++i) {
        const Part& p = parts[i];
        if (p.method == kPlain) std::memcpy(all->data() + at, p.data, size_t(p.length));
        else if (!inflater.next(p.data, p.size, all->data() + at, size_t(p.length), size_t(total) - at)) return false;
        at += size_t(p.length);
        (*ends)[i] = at;
    }
    // The spans that make up the history, newest first, then joined in
    // chain order.
    std::vector<std::pair<size_t, size_t>> spans;
    size_t kept = 0;
    for (size_t i = chain.size() - 1; i >= 1 && kept < kChainWindow; --i) {
        if (parts[i].method != kChained) continue;
        size_t take = std::min<size_t>(size_t(parts[i].length), kChainWindow - kept);
        spans.emplace_back((*ends)[i] - take, (*ends)[i]);
        kept += take;
    }
    history->clear();
    history->reserve(kept);
    for (auto s = spans.rbegin(); s != spans.rend(); ++s)
        history->insert(history->end(), all->data() + s->first, all->data() + s->second);
    return true;
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
    ChainBlocks blocks;
    StoreError e = readChain(file, chain, &blocks);
    if (e != StoreError::Ok) return e;

    // The whole and the deltas' operations are independent: both are
    // inflated at once when each is worth a thread's time.
    std::vector<uint8_t> root, all, tail;
    std::vector<size_t> ends;
    bool wholeOk = false, deltasOk = false;
    auto whole = [&] {
        wholeOk = WholeCodec::decode(blocks.views[0].data + kBlockHeaderSize, blocks.views[0].size - kBlockHeaderSize,
                                     chain[0]->rawSize, &root);
    };
    auto deltas = [&] { deltasOk = chain.size() == 1 || decodeChainOps(chain, blocks, &all, &ends, &tail); };
    uint64_t deltaBytes = 0;
    for (size_t i = 1; i < chain.size(); ++i) deltaBytes += blocks.views[i].size;
    if (std::min<uint64_t>(deltaBytes, blocks.views[0].size) >= kParallelRebuildBytes) {
        parallelFor(2, [&](size_t task) { task ? deltas() : whole(); });
    } else {
        whole();
        deltas();
    }
    blocks = ChainBlocks();
    if (!wholeOk || !deltasOk) return StoreError::Corrupt;
    if (chain.size() == 1) {
        out->swap(root);
    } else {
        PieceTable current(root.data(), root.size());
        PieceTable next;
        // Pieces past the bound are joined into one buffer (two, in turn:
        // the new one is built from the old).
        std::vector<uint8_t> flat[2];
        int spare = 0;
        for (size_t i = 1; i < chain.size(); ++i) {
            if (!current.apply(all.data() + ends[i - 1], ends[i] - ends[i - 1], chain[i]->rawSize, &next))
                return StoreError::Corrupt;
            std::swap(current, next);
            if (i + 1 < chain.size() && current.pieceCount() > joinBound(current.size())) {
                flat[spare].resize(size_t(current.size()));
                current.copyTo(flat[spare].data());
                current = PieceTable(flat[spare].data(), flat[spare].size());
                spare ^= 1;
                std::vector<uint8_t>().swap(root);
            }
        }
        out->clear();
        out->resize(size_t(current.size()));
        current.copyTo(out->data());
    }
    if (out->size() != chain.back()->rawSize || Xxh64::hash(out->data(), out->size()) != chain.back()->rawHash)
        return StoreError::Corrupt;
    if (history) history->swap(tail);
    return StoreError::Ok;
}

StoreError ContentCodec::writeWhole(File& file, const ContentRecord& content, File& target,
                                    std::vector<uint8_t>* keep) {
    if (content.kind != uint8_t(BlockKind::Whole) || content.rawSize > kMaxContentSize) return StoreError::Corrupt;
    std::vector<uint8_t> block;
    StoreError e = ArchiveFile::readContentBlock(file, content, &block);
    if (e != StoreError::Ok) return e;
    if (keep) {
        keep->clear();
        keep->reserve(size_t(content.rawSize));
    }
    Xxh64 hash;
    uint64_t at = 0;
    uint32_t writeError = 0;
    bool written = true;
    bool ok = WholeCodec::decodeTo(block.data() + kBlockHeaderSize, block.size() - kBlockHeaderSize, content.rawSize,
                                   [&](const uint8_t* data, size_t size) {
                                       if (!target.write(at, data, size)) {
                                           // Possibly on a worker thread: the error goes with the status.
                                           writeError = platformLastError();
                                           written = false;
                                           return false;
                                       }
                                       hash.update(data, size);
                                       if (keep) keep->insert(keep->end(), data, data + size);
                                       at += size;
                                       return true;
                                   });
    if (!written) {
        platformSetError(writeError);
        return StoreError::Io;
    }
    if (!ok || at != content.rawSize || hash.digest() != content.rawHash) return StoreError::Corrupt;
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
                    inflater.next(zipped.data(), zipped.size(), back.data(), back.size(), back.size()) && back == ops;
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
