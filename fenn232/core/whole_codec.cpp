#include "whole_codec.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <zlib.h>

#include "byte_codec.h"
#include "parallel.h"

namespace fenn {
namespace {

// zlib's state comes from the module's allocator, which keeps large blocks
// for reuse (block_cache.h).
voidpf zAlloc(voidpf, uInt items, uInt size) {
    uint64_t n = uint64_t(items) * size;
    return n > SIZE_MAX ? nullptr : ::operator new(size_t(n), std::nothrow);
}

void zFree(voidpf, voidpf p) { ::operator delete(p); }

z_stream newStream() {
    z_stream z = {};
    z.zalloc = zAlloc;
    z.zfree = zFree;
    return z;
}

// Whether `data` looks like bytes compressed already (its order-0 entropy
// is above 7.5 bits a byte): deflate's hardest effort finds nothing in them
// and costs the most time on them.
bool looksCompressed(const uint8_t* data, size_t size) {
    if (size < 4096) return false;
    uint32_t counts[256] = {};
    for (size_t i = 0; i < size; ++i) ++counts[data[i]];
    double bits = 0;
    for (uint32_t c : counts)
        if (c) bits -= double(c) * std::log2(double(c) / double(size));
    return bits > 7.5 * double(size);
}

}  // namespace

bool deflateBuffer(const uint8_t* data, size_t size, int level, std::vector<uint8_t>* out) {
    z_stream z = newStream();
    if (deflateInit(&z, level) != Z_OK) return false;
    out->resize(deflateBound(&z, uLong(size)));
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = out->data();
    z.avail_out = uInt(out->size());
    int rc = deflate(&z, Z_FINISH);
    out->resize(z.total_out);
    deflateEnd(&z);
    return rc == Z_STREAM_END;
}

bool inflateBuffer(const uint8_t* data, size_t size, uint8_t* out, size_t outSize) {
    z_stream z = newStream();
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = out;
    z.avail_out = uInt(outSize);
    int rc = inflate(&z, Z_FINISH);
    // Exactly the expected bytes, and the stream ends exactly there.
    bool ok = rc == Z_STREAM_END && z.avail_out == 0 && z.avail_in == 0;
    inflateEnd(&z);
    return ok;
}

bool deflateChainPart(const uint8_t* data, size_t size, const uint8_t* history, size_t historySize,
                      std::vector<uint8_t>* out) {
    z_stream z = newStream();
    int level = looksCompressed(data, size) ? 0 : 9;
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    if (historySize > kChainWindow) {
        history += historySize - kChainWindow;
        historySize = kChainWindow;
    }
    bool ok = historySize == 0 || deflateSetDictionary(&z, history, uInt(historySize)) == Z_OK;
    // A sync flush adds at most a few bytes to deflate's bound.
    out->resize(deflateBound(&z, uLong(size)) + 16);
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = out->data();
    z.avail_out = uInt(out->size());
    ok = ok && deflate(&z, Z_SYNC_FLUSH) == Z_OK && z.avail_in == 0 && z.avail_out > 0;
    out->resize(z.total_out);
    deflateEnd(&z);
    return ok;
}

ChainInflater::ChainInflater() : stream_(new z_stream(newStream())), ready_(false) {
    ready_ = inflateInit2(static_cast<z_stream*>(stream_), -15) == Z_OK;
}

ChainInflater::~ChainInflater() {
    z_stream* z = static_cast<z_stream*>(stream_);
    if (ready_) inflateEnd(z);
    delete z;
}

bool ChainInflater::preset(const uint8_t* history, size_t historySize) {
    if (historySize > kChainWindow) {
        history += historySize - kChainWindow;
        historySize = kChainWindow;
    }
    return ready_ && (historySize == 0 ||
                      inflateSetDictionary(static_cast<z_stream*>(stream_), history, uInt(historySize)) == Z_OK);
}

bool ChainInflater::next(const uint8_t* part, size_t partSize, uint8_t* out, size_t outSize, size_t room) {
    z_stream* z = static_cast<z_stream*>(stream_);
    if (room > UINT32_MAX) room = UINT32_MAX;  // zlib counts in 32 bits; a part is far smaller
    if (!ready_ || room < outSize || partSize > UINT32_MAX) return false;
    uint8_t spare = 0;
    z->next_in = const_cast<Bytef*>(part);
    z->avail_in = uInt(partSize);
    z->next_out = room ? out : &spare;
    z->avail_out = uInt(room);
    uLong before = z->total_out;
    // The part must be used up; what is left once the output is full may
    // only be the ends of blocks, never another byte of output.
    for (int round = 0; round < 2; ++round) {
        int rc = inflate(z, Z_SYNC_FLUSH);
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            ready_ = false;
            inflateEnd(z);
            return false;
        }
        if (z->avail_in == 0 || z->avail_out != 0) break;
        z->next_out = &spare;
        z->avail_out = 1;
    }
    // The stream is read to the byte: a part ends on a sync flush, so
    // nothing of it may wait in zlib's bit buffer.
    bool ok = z->avail_in == 0 && z->total_out - before == outSize;
    if (!ok) {
        ready_ = false;
        inflateEnd(z);
    }
    return ok;
}

std::vector<uint8_t> WholeCodec::encode(const uint8_t* data, size_t size, bool compress) {
    size_t count = (size + kChunkSize - 1) / kChunkSize;
    std::vector<std::vector<uint8_t>> chunks(count);
    std::atomic<bool> failed{false};
    if (compress) {
        parallelFor(count, [&](size_t i) {
            size_t off = i * kChunkSize;
            size_t len = size - off < kChunkSize ? size - off : kChunkSize;
            if (!deflateBuffer(data + off, len, looksCompressed(data + off, len) ? 0 : 6, &chunks[i])) failed = true;
        });
    }
    bool zipped = compress && !failed;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(zipped ? 1 : 0);
    w.u32(kChunkSize);
    w.u32(uint32_t(count));
    for (size_t i = 0; i < count; ++i) {
        size_t raw = size - i * kChunkSize < kChunkSize ? size - i * kChunkSize : kChunkSize;
        w.u32(uint32_t(zipped ? chunks[i].size() : raw));
    }
    if (zipped) {
        for (auto& c : chunks) w.bytes(c.data(), c.size());
    } else {
        w.bytes(data, size);
    }
    return out;
}

namespace {

// Where each chunk of a whole's payload lies.
struct WholeLayout {
    uint8_t method = 0;
    uint32_t chunkSize = 0;
    uint32_t count = 0;
    std::vector<uint32_t> lengths;
    std::vector<size_t> starts;
    const uint8_t* body = nullptr;

    size_t rawLength(uint64_t rawSize, size_t i) const {
        uint64_t off = uint64_t(i) * chunkSize;
        return size_t(rawSize - off < chunkSize ? rawSize - off : chunkSize);
    }
    bool inflateChunk(size_t i, uint8_t* out, size_t len) const {
        if (method == 0) {
            if (lengths[i] != len) return false;
            std::memcpy(out, body + starts[i], len);
            return true;
        }
        return inflateBuffer(body + starts[i], lengths[i], out, len);
    }
};

bool parseWhole(const uint8_t* payload, size_t payloadSize, uint64_t rawSize, WholeLayout* l) {
    ByteReader r(payload, payloadSize);
    l->method = r.u8();
    l->chunkSize = r.u32();
    l->count = r.u32();
    if (!r.ok() || l->method > 1 || l->chunkSize == 0) return false;
    if (uint64_t(l->count) != (rawSize + l->chunkSize - 1) / l->chunkSize) return false;
    if (uint64_t(l->count) * 4 > r.remaining()) return false;
    l->lengths.resize(l->count);
    l->starts.resize(l->count);
    uint64_t at = 0;  // summed in 64 bits: no crafted length wraps it in a 32-bit build
    for (uint32_t i = 0; i < l->count; ++i) {
        l->lengths[i] = r.u32();
        l->starts[i] = size_t(at);
        at += l->lengths[i];
        if (at > r.remaining()) return false;
    }
    l->body = r.position();
    if (at != r.remaining()) return false;
    // zlib cannot expand more than about 1032 to 1: anything claiming more is
    // damage, refused before it can ask for a huge buffer.
    return rawSize <= uint64_t(payloadSize) * 1040 + 1024;
}

}  // namespace

bool WholeCodec::decode(const uint8_t* payload, size_t payloadSize, uint64_t rawSize,
                        std::vector<uint8_t>* out) {
    WholeLayout l;
    if (!parseWhole(payload, payloadSize, rawSize, &l)) return false;
    out->resize(size_t(rawSize));
    std::atomic<bool> failed{false};
    parallelFor(l.count, [&](size_t i) {
        if (!l.inflateChunk(i, out->data() + size_t(uint64_t(i) * l.chunkSize), l.rawLength(rawSize, i)))
            failed = true;
    });
    return !failed;
}

bool WholeCodec::decodeTo(const uint8_t* payload, size_t payloadSize, uint64_t rawSize, const ChunkSink& sink) {
    WholeLayout l;
    if (!parseWhole(payload, payloadSize, rawSize, &l)) return false;
    // Chunks inflated ahead of their turn wait here; whoever finishes the
    // chunk that is next hands on every ready one after it.
    std::mutex lock;
    std::vector<std::vector<uint8_t>> ready(l.count);
    std::vector<char> done(l.count, 0);
    size_t next = 0;
    bool handing = false;
    std::atomic<bool> failed{false};
    parallelFor(l.count, [&](size_t i) {
        if (failed) return;
        std::vector<uint8_t> chunk(l.rawLength(rawSize, i));
        if (!l.inflateChunk(i, chunk.data(), chunk.size())) {
            failed = true;
            return;
        }
        std::unique_lock<std::mutex> g(lock);
        ready[i].swap(chunk);
        done[i] = 1;
        if (handing) return;
        handing = true;
        while (next < l.count && done[next] && !failed) {
            std::vector<uint8_t> out;
            out.swap(ready[next]);
            g.unlock();
            if (!sink(out.data(), out.size())) failed = true;
            g.lock();
            ++next;
        }
        handing = false;
    });
    return !failed && next == l.count;
}

}  // namespace fenn
