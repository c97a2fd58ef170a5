#include "crash_check.h"

#include "content_cache.h"

#include <functional>
#include <map>

#include <sys/wait.h>
#include <unistd.h>

#include "bench_util.h"
#include "corpus.h"
#include "fault_file_system.h"
#include "posix_file_system.h"
#include "version_store.h"

namespace bench {
namespace {

using fenn::StoreError;

fenn::VersionNote note() {
    fenn::VersionNote n;
    n.user = "bench";
    n.comment = "v";
    return n;
}

// Number -> (permanent, bytes) of every version, or empty when unreadable.
std::map<int, std::pair<bool, Bytes>> contents(const std::string& archive, bool* readable) {
    fenn::PosixFileSystem fs;
    fenn::VersionStore store(fs);
    fenn::ArchiveState s;
    std::map<int, std::pair<bool, Bytes>> r;
    *readable = store.read(archive, &s) == StoreError::Ok;
    if (!*readable) return r;
    for (auto& v : s.catalog.versions) {
        Bytes b;
        if (store.retrieveBytes(archive, v.number, &b) != StoreError::Ok) *readable = false;
        r[v.number] = {v.permanent, b};
    }
    return r;
}

}  // namespace

FlipResult flipEveryByte(const std::string& folder) {
    fenn::PosixFileSystem fs;
    fenn::VersionStore store(fs);
    std::string archive = folder + "/flip.fy", src = folder + "/flip.src";
    fenn::Corpus c(77);
    std::vector<Bytes> h{c.text(2000)};
    writeFile(src, h[0]);
    store.create(archive, src, note(), 10, true);
    for (int i = 0; i < 3; ++i) {
        h.push_back(i == 1 ? c.binary(1500) : c.editLines(h.back(), 1));
        writeFile(src, h.back());
        store.add(archive, src, note());
    }
    fenn::ArchiveState st;
    store.read(archive, &st);
    Bytes pristine = readFile(archive);
    std::vector<bool> live(pristine.size(), false);
    auto mark = [&](uint64_t from, uint64_t len) {
        for (uint64_t i = from; i < from + len && i < live.size(); ++i) live[size_t(i)] = true;
    };
    mark(fenn::kSlotOffset[st.slot], 64);  // a sound slot stands in for the preamble
    mark(st.superblock.catalogOffset, st.superblock.catalogLength);
    for (auto& ct : st.catalog.contents) mark(ct.offset, ct.length);
    auto owns = [&](int number, uint64_t at) {
        for (const fenn::ContentRecord* ct = st.catalog.content(st.catalog.versions[size_t(number - 1)].contentId);
             ct; ct = ct->base ? st.catalog.content(ct->base) : nullptr)
            if (at >= ct->offset && at < ct->offset + ct->length) return true;
        return at < fenn::kDataStart || (at >= st.superblock.catalogOffset &&
                                         at < st.superblock.catalogOffset + st.superblock.catalogLength);
    };

    FlipResult r;
    for (size_t at = 0; at < pristine.size(); ++at) {
        Bytes b = pristine;
        b[at] ^= 0x5A;
        writeFile(archive, b);
        fenn::ContentCache::clear();  // every byte comes from the file
        fenn::ArchiveState s;
        bool failed = store.read(archive, &s) != StoreError::Ok;
        for (int n = 1; n <= 4; ++n) {
            Bytes out;
            if (store.retrieveBytes(archive, n, &out) != StoreError::Ok) {
                failed = true;
                if (!owns(n, at)) ++r.lostIntact;
            } else if (out != h[size_t(n - 1)]) {
                ++r.wrongData;
            }
        }
        if (live[at]) {
            ++r.liveBytes;
            r.detected += failed;
        } else {
            ++r.unusedBytes;
            r.harmless += !failed;
        }
    }
    return r;
}

std::vector<CrashResult> killAtEveryCall(const std::string& folder) {
    const std::string archive = folder + "/crash.fy", src = folder + "/crash.src";
    struct Change {
        const char* name;
        int setupVersions;  // 0: no archive before the change
        std::function<StoreError(fenn::VersionStore&)> run;
    };
    const Change changes[] = {
        {"create", 0, [&](fenn::VersionStore& s) { return s.create(archive, src, note(), 3, true); }},
        {"add", 3, [&](fenn::VersionStore& s) { return s.add(archive, src, note()); }},
        {"add+trim", 4, [&](fenn::VersionStore& s) { return s.add(archive, src, note()); }},
        {"delete", 4, [&](fenn::VersionStore& s) { return s.remove(archive, 2); }},
        {"set-permanent", 3, [&](fenn::VersionStore& s) { return s.setPermanent(archive, 2, true); }},
        {"set-cap", 4, [&](fenn::VersionStore& s) { return s.setMaxTemp(archive, 1); }},
    };
    std::vector<CrashResult> results;
    for (const Change& ch : changes) {
        auto setup = [&] {
            ::unlink(archive.c_str());
            fenn::PosixFileSystem fs;
            fenn::VersionStore store(fs);
            fenn::Corpus c(5);
            Bytes doc = c.text(20000);
            if (ch.setupVersions) {
                writeFile(src, doc);
                store.create(archive, src, note(), ch.name == std::string("add+trim") ? 4 : 10, true);
                for (int i = 1; i < ch.setupVersions; ++i) {
                    doc = c.editLines(doc, 2);
                    writeFile(src, doc);
                    store.add(archive, src, note());
                }
            }
            writeFile(src, c.editLines(doc, 2));
        };
        setup();
        bool ok = false;
        auto before = contents(archive, &ok);
        fenn::PosixFileSystem real;
        fenn::FaultFileSystem counter(real);
        counter.arm(fenn::FaultFileSystem::Mode::None, -1);
        {
            fenn::VersionStore store(counter);
            ch.run(store);
        }
        auto after = contents(archive, &ok);
        CrashResult r;
        r.change = ch.name;
        r.calls = int(counter.calls());
        for (int k = 0; k < r.calls; ++k) {
            setup();
            pid_t pid = fork();
            if (pid == 0) {
                fenn::PosixFileSystem fs;
                fenn::FaultFileSystem faulty(fs);
                faulty.arm(fenn::FaultFileSystem::Mode::Exit, k);
                fenn::VersionStore store(faulty);
                ch.run(store);
                _exit(0);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            bool readable = false;
            auto now = contents(archive, &readable);
            bool exists = ::access(archive.c_str(), F_OK) == 0;
            if (!exists && before.empty() && ch.setupVersions == 0) ++r.before;
            else if (readable && now == before) ++r.before;
            else if (readable && now == after) ++r.after;
            else ++r.neither;
        }
        results.push_back(r);
    }
    ::unlink(archive.c_str());
    ::unlink(src.c_str());
    return results;
}

}  // namespace bench
