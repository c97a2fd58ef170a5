#include "version_store.h"

#include "change_lock.h"
#include "content_cache.h"
#include "content_codec.h"
#include "dos_time.h"
#include "xxh64.h"

namespace fenn {
namespace {

VersionRecord makeRecord(const VersionNote& note, uint16_t number, uint32_t contentId, int64_t now,
                         int64_t modified) {
    VersionRecord v;
    v.number = number;
    v.permanent = note.permanent;
    v.stamp = DosTime::pack(now);
    v.contentId = contentId;
    v.sourceModified = modified;
    v.user = note.user.substr(0, 35);
    v.comment = note.comment.substr(0, 128);
    return v;
}

bool validNumber(int32_t n) { return n >= 1 && n <= 65535; }

enum ChangeKind { kRemove, kPermanent, kCap };

}  // namespace

StoreError VersionStore::readSource(const std::string& path, std::vector<uint8_t>* data, FileStat* st) {
    if (!fs_.stat(path, st)) return StoreError::NotFound;
    if (st->size > kMaxContentSize) return StoreError::TooLarge;
    std::unique_ptr<File> f = fs_.open(path, OpenMode::Read);
    if (!f) return StoreError::Io;
    uint64_t size = 0;
    if (!f->size(&size) || size > kMaxContentSize) return StoreError::Io;
    data->clear();
    data->resize(size_t(size));
    if (size && !f->read(0, data->data(), data->size())) return StoreError::Io;
    return StoreError::Ok;
}

// Scratch names are short and may be shared by several targets in a folder.
constexpr uint32_t kScratchAttempts = 64;

StoreError VersionStore::openScratch(const std::string& target, OpenMode mode, std::string* name,
                                     std::unique_ptr<File>* out) {
    // A writer holds its scratch file's lock from the moment it has made the
    // file until the file has its final name. One found without that lock
    // was left by a killed writer: it is removed (under the lock, so that no
    // live writer can take it in between) and the next name is tried. A
    // file left there is never written into: it may not be ours.
    for (uint32_t index = 1; index <= kScratchAttempts; ++index) {
        *name = scratchPathBeside(target, index);
        std::unique_ptr<File> f = fs_.open(*name, mode);
        if (!f) {
            if (!fs_.exists(*name)) return StoreError::Io;  // the folder refuses
            // Another writer's, or one left by a killed writer.
            std::unique_ptr<File> left = fs_.open(*name, OpenMode::Read);
            if (left && left->tryLock(kLeaseLockOffset, 1)) fs_.remove(*name);
            continue;
        }
        if (!f->tryLock(kLeaseLockOffset, 1)) continue;  // taken for a left one
        *out = std::move(f);
        return StoreError::Ok;
    }
    return StoreError::Io;
}

StoreError VersionStore::create(const std::string& archive, const std::string& source,
                                const VersionNote& note, int32_t maxTemp, bool compress) {
    if (fs_.exists(archive)) return StoreError::Exists;
    std::vector<uint8_t> data;
    FileStat st;
    StoreError e = readSource(source, &data, &st);
    if (e != StoreError::Ok) return e;

    Catalog catalog;
    catalog.compressed = compress;
    catalog.maxTemp = maxTemp < 1 ? 1 : maxTemp > 32767 ? 32767 : maxTemp;
    catalog.counter = 1;
    PendingBlock block;
    std::vector<uint8_t> history;
    e = ContentCodec::encode(&catalog, data.data(), data.size(), Xxh64::hash(data.data(), data.size()),
                             nullptr, 0, nullptr, &block, &history);
    if (e != StoreError::Ok) return e;
    catalog.versions.push_back(makeRecord(note, 1, block.contentId, fs_.now(), st.modified));
    std::vector<uint8_t> image = ArchiveFile::image(catalog, {block});

    // Build it aside, flush, then give it the archive's name only if that
    // name is still free: the archive appears complete or not at all. The
    // scratch file is private to its user from the start, so the archive
    // never has wider rights than the module then gives it (its working
    // file's).
    std::string scratch;
    std::unique_ptr<File> f;
    e = openScratch(archive, OpenMode::CreatePrivate, &scratch, &f);
    if (e != StoreError::Ok) return e;
    if (!f->write(0, image.data(), image.size()) || !f->flush()) {
        f.reset();
        fs_.remove(scratch);
        return StoreError::Io;
    }
    if (!fs_.renameNoReplace(scratch, archive)) {
        f.reset();
        fs_.remove(scratch);
        return fs_.exists(archive) ? StoreError::Exists : StoreError::Io;
    }
    ContentCache::put(archive, catalog.contents.back().rawHash,
                      std::make_shared<const std::vector<uint8_t>>(std::move(data)));
    return StoreError::Ok;
}

StoreError VersionStore::add(const std::string& archive, const std::string& source, const VersionNote& note) {
    std::vector<uint8_t> data;
    FileStat st;
    ChangeGuard guard;
    StoreError e = guard.begin(fs_, archive);
    if (e != StoreError::Ok) return e;
    e = readSource(source, &data, &st);
    if (e != StoreError::Ok) return e;
    ArchiveState state;
    e = ArchiveFile::load(guard.file(), &state);
    if (e != StoreError::Ok) return e;
    Catalog next = state.catalog;
    if (next.counter == 65535) return StoreError::Exhausted;

    uint64_t hash = Xxh64::hash(data.data(), data.size());
    const VersionRecord* latest = next.latest();
    std::vector<PendingBlock> blocks;
    uint32_t contentId = 0;
    ContentCache::Bytes previous, history;
    std::vector<uint8_t> newHistory;
    if (latest) {
        const ContentRecord* c = next.content(latest->contentId);
        previous = ContentCache::find(archive, c->rawSize, c->rawHash);
        // A delta on a chained delta continues its chain's stream, and needs
        // the operations before it.
        bool needHistory = c->kind == uint8_t(BlockKind::Delta) && next.compressed;
        if (previous && needHistory) history = ContentCache::findHistory(archive, c->id, c->offset, c->length);
        if (!previous || (needHistory && !history)) {
            std::vector<uint8_t> rebuilt, chainHistory;
            e = ContentCodec::rebuild(guard.file(), next, c->id, &rebuilt, &chainHistory);
            if (e != StoreError::Ok) return e;
            previous = std::make_shared<const std::vector<uint8_t>>(std::move(rebuilt));
            history = std::make_shared<const std::vector<uint8_t>>(std::move(chainHistory));
        }
        if (!history) history = std::make_shared<const std::vector<uint8_t>>();
        if (previous->size() == data.size() && c->rawHash == hash && *previous == data) {
            contentId = c->id;
        } else {
            blocks.emplace_back();
            e = ContentCodec::encode(&next, data.data(), data.size(), hash, previous.get(), c->id, history.get(),
                                     &blocks.back(), &newHistory);
            if (e != StoreError::Ok) return e;
            contentId = blocks.back().contentId;
        }
    } else {
        blocks.emplace_back();
        e = ContentCodec::encode(&next, data.data(), data.size(), hash, nullptr, 0, nullptr, &blocks.back(),
                                 &newHistory);
        if (e != StoreError::Ok) return e;
        contentId = blocks.back().contentId;
    }
    next.counter = uint16_t(next.counter + 1);
    // Only the latest version's source time is ever compared: older ones
    // keep none (0, unknown), which costs a byte a version in every catalog.
    for (VersionRecord& v : next.versions) v.sourceModified = 0;
    next.versions.push_back(makeRecord(note, next.counter, contentId, fs_.now(), st.modified));
    // Trimmed temporaries leave their blocks dead, reclaimed later by the
    // dead-space rule: dropping one never rewrites the archive.
    next.trimTemporaries();
    e = ArchiveFile::commit(guard.file(), &state, next, blocks, false);
    if (e == StoreError::Ok) {
        const ContentRecord* stored = state.catalog.content(contentId);
        ContentCache::Bytes kept = blocks.empty()
                                       ? history
                                       : std::make_shared<const std::vector<uint8_t>>(std::move(newHistory));
        if (stored)
            ContentCache::put(archive, hash, std::make_shared<const std::vector<uint8_t>>(std::move(data)), kept,
                              stored->id, stored->offset, stored->length);
    }
    return e;
}

StoreError VersionStore::change(const std::string& archive, int32_t number, int kind, int32_t value) {
    ChangeGuard guard;
    StoreError e = guard.begin(fs_, archive);
    if (e != StoreError::Ok) return e;
    ArchiveState state;
    e = ArchiveFile::load(guard.file(), &state);
    if (e != StoreError::Ok) return e;
    Catalog next = state.catalog;
    if (kind == kCap) {
        if (next.maxTemp == value) return StoreError::Ok;
        next.maxTemp = value;
        next.trimTemporaries();
    } else {
        VersionRecord* v = next.version(uint16_t(number));
        if (!v) return StoreError::NoSuchVersion;
        if (kind == kRemove) {
            next.versions.erase(next.versions.begin() + (v - next.versions.data()));
        } else {
            if (v->permanent == (value != 0)) return StoreError::Ok;
            v->permanent = value != 0;
        }
    }
    return ArchiveFile::commit(guard.file(), &state, next, {}, false);
}

StoreError VersionStore::remove(const std::string& archive, int32_t number) {
    if (!validNumber(number)) return refuse(archive);
    return change(archive, number, kRemove, 0);
}

StoreError VersionStore::setPermanent(const std::string& archive, int32_t number, bool permanent) {
    if (!validNumber(number)) return refuse(archive);
    return change(archive, number, kPermanent, permanent ? 1 : 0);
}

StoreError VersionStore::setMaxTemp(const std::string& archive, int32_t maxTemp) {
    if (maxTemp < 1 || maxTemp > 32767) return refuse(archive);
    return change(archive, 0, kCap, maxTemp);
}

StoreError VersionStore::refuse(const std::string& archive) {
    // A change gives the lease back whatever its outcome, a refusal of its
    // arguments included: the caller took it for this change.
    LeaseTable::release(archive);
    return StoreError::BadArgument;
}

StoreError VersionStore::read(const std::string& archive, ArchiveState* state) {
    std::unique_ptr<File> f = fs_.open(archive, OpenMode::Read);
    if (!f) return fs_.exists(archive) ? StoreError::Io : StoreError::NotFound;
    return ArchiveFile::load(*f, state);
}

StoreError VersionStore::getMaxTemp(const std::string& archive, int32_t* value) {
    ArchiveState state;
    StoreError e = read(archive, &state);
    if (e == StoreError::Ok) *value = state.catalog.maxTemp;
    return e;
}

StoreError VersionStore::getPermanent(const std::string& archive, int32_t number, bool* permanent) {
    if (!validNumber(number)) return StoreError::BadArgument;
    ArchiveState state;
    StoreError e = read(archive, &state);
    if (e != StoreError::Ok) return e;
    const VersionRecord* v = state.catalog.version(uint16_t(number));
    if (!v) return StoreError::NoSuchVersion;
    *permanent = v->permanent;
    return StoreError::Ok;
}

StoreError VersionStore::content(const std::string& archive, int32_t number, ContentCache::Bytes* out,
                                 const WholeTarget* target) {
    if (!validNumber(number)) return StoreError::BadArgument;
    // A compaction by another process may move blocks under a reader; a
    // failed read is retried while the committed state keeps changing.
    uint64_t failedSequence = 0;
    StoreError failure = StoreError::Corrupt;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::unique_ptr<File> f = fs_.open(archive, OpenMode::Read);
        if (!f) return fs_.exists(archive) ? StoreError::Io : StoreError::NotFound;
        ArchiveState state;
        StoreError e = ArchiveFile::load(*f, &state);
        if (e != StoreError::Ok && e != StoreError::Corrupt) return e;
        if (e == StoreError::Ok) {
            const VersionRecord* v = state.catalog.version(uint16_t(number));
            if (!v) return StoreError::NoSuchVersion;
            const ContentRecord* c = state.catalog.content(v->contentId);
            *out = ContentCache::find(archive, c->rawSize, c->rawHash);
            if (*out) return StoreError::Ok;
            bool latest = c->id == state.catalog.content(state.catalog.latest()->contentId)->id;
            std::vector<uint8_t> bytes, history;
            if (target && c->kind == uint8_t(BlockKind::Whole)) {
                File* t = nullptr;
                e = (*target)(&t);
                if (e != StoreError::Ok) return e;
                // The latest content is kept for the next add (its chain has
                // no history yet: it is the whole).
                e = ContentCodec::writeWhole(*f, *c, *t, latest ? &bytes : nullptr);
                if (e == StoreError::Io) return e;
                if (e == StoreError::Ok) {
                    if (latest)
                        ContentCache::put(archive, c->rawHash,
                                          std::make_shared<const std::vector<uint8_t>>(std::move(bytes)),
                                          std::make_shared<const std::vector<uint8_t>>(), c->id, c->offset, c->length);
                    return e;
                }
            } else {
                // Only the latest content's history serves the next add.
                e = ContentCodec::rebuild(*f, state.catalog, v->contentId, &bytes, latest ? &history : nullptr);
                if (e == StoreError::Ok) {
                    *out = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
                    if (latest)
                        ContentCache::put(archive, c->rawHash, *out,
                                          std::make_shared<const std::vector<uint8_t>>(std::move(history)), c->id,
                                          c->offset, c->length);
                    return e;
                }
            }
        }
        if (attempt > 0 && state.superblock.sequence == failedSequence) return e;
        failedSequence = state.superblock.sequence;
        failure = e;
    }
    return failure;
}

StoreError VersionStore::retrieveBytes(const std::string& archive, int32_t number, std::vector<uint8_t>* out) {
    ContentCache::Bytes bytes;
    StoreError e = content(archive, number, &bytes);
    if (e == StoreError::Ok) *out = *bytes;
    return e;
}

StoreError VersionStore::retrieve(const std::string& archive, int32_t number, const std::string& out) {
    // The target is replaced only by a complete, flushed copy: a failure at
    // any point leaves whatever file was there as it was. The copy is made
    // as any new file in the target's folder, so it has the rights that
    // folder hands down, not the replaced file's. A content stored whole is
    // written into it as it is inflated; any other is rebuilt first.
    std::string scratch;
    std::unique_ptr<File> f;
    WholeTarget target = [&](File** t) {
        StoreError opened = f ? StoreError::Ok : openScratch(out, OpenMode::CreateNew, &scratch, &f);
        *t = f.get();
        return opened;
    };
    ContentCache::Bytes data;
    StoreError e = content(archive, number, &data, &target);
    if (e != StoreError::Ok) {
        if (f) {
            f.reset();
            fs_.remove(scratch);
        }
        return e;
    }
    if (!f) {
        e = openScratch(out, OpenMode::CreateNew, &scratch, &f);
        if (e != StoreError::Ok) return e;
    }
    bool written = (!data || data->empty() || f->write(0, data->data(), data->size())) && f->flush();
    if (!written || !fs_.renameReplace(scratch, out)) {
        f.reset();
        fs_.remove(scratch);
        return StoreError::Io;
    }
    return StoreError::Ok;
}

StoreError VersionStore::isWorkingNewer(const std::string& archive, const std::string& working, bool* newer) {
    FileStat st;
    if (!fs_.stat(working, &st)) return StoreError::NotFound;
    ArchiveState state;
    StoreError e = read(archive, &state);
    if (e != StoreError::Ok) return e;
    const VersionRecord* latest = state.catalog.latest();
    if (!latest) {
        *newer = true;
        return StoreError::Ok;
    }
    const ContentRecord* c = state.catalog.content(latest->contentId);
    if (c->rawSize != st.size) {
        *newer = true;
        return StoreError::Ok;
    }
    if (latest->sourceModified != 0 && latest->sourceModified == st.modified) {
        *newer = false;
        return StoreError::Ok;
    }
    std::vector<uint8_t> data;
    e = readSource(working, &data, &st);
    if (e != StoreError::Ok) return e;
    *newer = data.size() != c->rawSize || Xxh64::hash(data.data(), data.size()) != c->rawHash;
    return StoreError::Ok;
}

StoreError VersionStore::lock(const std::string& archive) { return LeaseTable::acquire(fs_, archive); }

void VersionStore::unlock(const std::string& archive) { LeaseTable::release(archive); }

}  // namespace fenn
