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

// Delta payload: u8 method, varint length of the operation stream, then the
// stream: as it is (plain), or as this delta's part of its chain's deflate
// stream (chained, see deflateChainPart); a part that starts a segment of
// that stream was deflated with no history.
enum DeltaMethod : uint8_t { kPlain = 0, kChained = 1, kSegmentStart = 2 };

// Whether a delta on `base` starts a new segment of the chain's stream: it
// does once the chain's delta bytes up to its base have passed another
// multiple of kChainSegmentBytes.
bool startsSegment(const ContentRecord& base) {
    return base.kind == uint8_t(BlockKind::Delta) &&
           base.chainBytes / kChainSegmentBytes != (base.chainBytes - base.length) / kChainSegmentBytes;
}

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
// other in one buffer: plain ones as they are, chained parts through one
// inflater per segment of the chain's stream, in chain order. Inflating a
// segment into one buffer lets zlib run its fast loop across the ends of
// small parts; segments inflate on threads of their own.
class ChainOps {
public:
    // Reads each delta's method and length and lays out the buffer; false
    // on a part that cannot be what it claims.
    bool parse(const std::vector<const ContentRecord*>& chain, const ChainBlocks& blocks) {
        parts_.assign(chain.size(), Part());
        segments_.clear();
        uint64_t total = 0;
        for (size_t i = 1; i < chain.size(); ++i) {
            const ChainBlocks::View& b = blocks.views[i];
            ByteReader r(b.data + kBlockHeaderSize, b.size - kBlockHeaderSize);
            Part& p = parts_[i];
            p.method = r.u8();
            p.length = r.varint();
            if (!r.ok() || p.method > kSegmentStart) return false;
            // An operation stream is never much longer than its content, and
            // deflate never expands more than about 1032 to 1.
            if (p.length > 2 * chain[i]->rawSize + 1024) return false;
            if (p.method == kPlain ? p.length != r.remaining() : p.length > uint64_t(r.remaining()) * 1040 + 1024)
                return false;
            p.data = r.position();
            p.size = r.remaining();
            total += p.length;  // at most 1024 deltas of at most 2 GiB each
            p.end = size_t(total);
            if (i == 1 || p.method == kSegmentStart) segments_.push_back(Segment{i, 0});
            segments_.back().bytes += p.size;
        }
        if (total > SIZE_MAX / 2) return false;
        all_.resize(size_t(total));
        return true;
    }
    size_t segmentCount() const { return segments_.size(); }
    uint64_t segmentBytes(size_t s) const { return segments_[s].bytes; }
    // Inflates segment s; safe beside the others on other threads.
    bool inflate(size_t s) {
        size_t last = s + 1 < segments_.size() ? segments_[s + 1].first : parts_.size();
        ChainInflater inflater;
        for (size_t i = segments_[s].first; i < last; ++i) {
            const Part& p = parts_[i];
            size_t at = p.end - size_t(p.length);
            if (p.method == kPlain)
                std::memcpy(all_.data() + at, p.data, size_t(p.length));
            else if (!inflater.next(p.data, p.size, all_.data() + at, size_t(p.length), segmentEnd(last) - at))
                return false;
        }
        return true;
    }
    const uint8_t* ops(size_t i) const { return all_.data() + parts_[i].end - size_t(parts_[i].length); }
    size_t opsSize(size_t i) const { return size_t(parts_[i].length); }
    // The history a delta after the last one would be deflated with: the
    // last 32 KiB of the chained parts of the last segment.
    void history(std::vector<uint8_t>* out) const {
        std::vector<std::pair<size_t, size_t>> spans;  // newest first
        size_t kept = 0;
        for (size_t i = parts_.size() - 1; i >= 1 && kept < kChainWindow; --i) {
            const Part& p = parts_[i];
            if (p.method == kPlain) continue;
            size_t take = std::min<size_t>(size_t(p.length), kChainWindow - kept);
            spans.emplace_back(p.end - take, p.end);
            kept += take;
            if (p.method == kSegmentStart) break;
        }
        out->clear();
        out->reserve(kept);
        for (auto s = spans.rbegin(); s != spans.rend(); ++s)
            out->insert(out->end(), all_.data() + s->first, all_.data() + s->second);
    }

private:
    struct Part {
        uint8_t method = kPlain;
        uint64_t length = 0;
        const uint8_t* data = nullptr;
        size_t size = 0;
        size_t end = 0;  // of its operations in all_
    };
    struct Segment {
        size_t first;    // part
        uint64_t bytes;  // compressed
    };
    size_t segmentEnd(size_t last) const { return parts_[last - 1].end; }

    std::vector<Part> parts_;
    std::vector<Segment> segments_;
    std::vector<uint8_t> all_;
};

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

    // The whole and each segment of the deltas' stream are independent:
    // they are inflated at once when the work besides the largest is worth a
    // thread's time.
    std::vector<uint8_t> root;
    ChainOps deltas;
    if (!deltas.parse(chain, blocks)) return StoreError::Corrupt;
    size_t tasks = 1 + deltas.segmentCount();
    std::vector<char> done(tasks, 0);  // not vector<bool>: written from several threads
    auto run = [&](size_t task) {
        done[task] = task ? deltas.inflate(task - 1)
                          : WholeCodec::decode(blocks.views[0].data + kBlockHeaderSize,
                                               blocks.views[0].size - kBlockHeaderSize, chain[0]->rawSize, &root);
    };
    uint64_t total = blocks.views[0].size, largest = total;
    for (size_t s = 0; s < deltas.segmentCount(); ++s) {
        total += deltas.segmentBytes(s);
        largest = std::max(largest, deltas.segmentBytes(s));
    }
    if (total - largest >= kParallelRebuildBytes) {
        parallelFor(tasks, run);
    } else {
        for (size_t task = 0; task < tasks; ++task) run(task);
    }
    bool wholeOk = done[0], deltasOk = std::find(done.begin() + 1, done.end(), 0) == done.end();
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
            if (!current.apply(deltas.ops(i), deltas.opsSize(i), chain[i]->rawSize, &next))
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
    if (history) deltas.history(history);
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
        // Every delta of a compressed chain takes part in its stream, so the
        // next one may refer back to this one's operations; one that starts
        // a segment refers back to none.
        bool fresh = startsSegment(*prev);
        const std::vector<uint8_t> none;
        const std::vector<uint8_t>& dictionary = fresh ? none : *history;
        if (catalog->compressed) {
            std::vector<uint8_t> back(ops.size());
            ChainInflater inflater;
            exact = exact &&
                    deflateChainPart(ops.data(), ops.size(), dictionary.data(), dictionary.size(), &zipped) &&
                    inflater.preset(dictionary.data(), dictionary.size()) &&
                    inflater.next(zipped.data(), zipped.size(), back.data(), back.size(), back.size()) && back == ops;
            method = fresh ? kSegmentStart : kChained;
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
            if (method != kPlain) {
                *newHistory = dictionary;
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
