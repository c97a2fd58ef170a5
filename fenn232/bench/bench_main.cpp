// The store's benchmark. Prints, in one run on a seeded generated corpus, our
// figures beside reference figures measured in the same run: one zlib-6
// compressed copy, git (loose objects, after gc, after gc --aggressive) and a
// plain copy with flush.
//
//   fenn232_bench [work folder]
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include <zlib.h>

#include "bench_util.h"
#include "corpus.h"
#include "git_reference.h"
#include "posix_file_system.h"
#include "store_api.h"
#include "version_store.h"

using namespace bench;

namespace {

int g_failures = 0;

void verdict(bool ok, const char* target) {
    std::printf("   [target %s: %s]\n", target, ok ? "met" : "MISSED");
    if (!ok) ++g_failures;
}

double mb(uint64_t bytes) { return double(bytes) / 1048576.0; }

double mean(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    return s / double(v.size());
}

fenn::VersionNote note(int i) {
    fenn::VersionNote n;
    n.user = "bench";
    n.comment = "Version " + std::to_string(i);
    return n;
}

struct Build {
    std::vector<double> addMs;
    std::vector<double> copyMs;
    Bytes newest;
};

// Builds an archive of `versions` versions, timing every add and a plain
// copy with flush of the same snapshot.
Build buildArchive(fenn::VersionStore& store, const std::string& archive, const std::string& folder,
                   Bytes doc, int versions, fenn::Corpus& corpus, bool binary, GitReference* git,
                   std::vector<double>* gitMs) {
    Build b;
    std::string snapshot = folder + "/FY0001.tmp";
    for (int i = 1; i <= versions; ++i) {
        if (i > 1) doc = binary ? corpus.patchRegions(doc, 3, 4096) : corpus.editLines(doc, 3);
        writeFile(snapshot, doc);
        double t = nowMs();
        fenn::StoreError e = i == 1 ? store.create(archive, snapshot, note(i), 32767, true)
                                    : store.add(archive, snapshot, note(i));
        double dt = nowMs() - t;
        if (e != fenn::StoreError::Ok) std::printf("   store failure %d at version %d\n", int(e), i);
        if (i > 1) b.addMs.push_back(dt);
        t = nowMs();
        copyWithFlush(snapshot, folder + "/copy.out");
        b.copyMs.push_back(nowMs() - t);
        if (git) gitMs->push_back(git->commit(doc));
    }
    b.newest = doc;
    return b;
}

double retrieveMs(fenn::VersionStore& store, const std::string& archive, int number, const std::string& out,
                  int repeats) {
    std::vector<double> t;
    for (int r = 0; r < repeats; ++r) {
        double s = nowMs();
        store.retrieve(archive, number, out);
        t.push_back(nowMs() - s);
    }
    return median(t);
}

double listMs(const std::string& archive, int* count) {
    std::vector<double> t;
    for (int r = 0; r < 50; ++r) {
        ArchiveHeader h = {};
        StoreHeaderHandle handle = 0;
        double s = nowMs();
        StoreReadHeader(archive.c_str(), &h, &handle);
        StoreReleaseHeader(handle);
        t.push_back(nowMs() - s);
        *count = h.count;
    }
    return median(t);
}

}  // namespace

int main(int argc, char** argv) {
    std::string work = makeTempFolder(argc > 1 ? argv[1] : "/tmp");
    std::printf("Fennory version store benchmark (work folder %s)\n", work.c_str());
    fenn::PosixFileSystem fs;
    fenn::VersionStore store(fs);
    fenn::Corpus corpus(2024);
    const size_t kDoc = 5u << 20;
    Bytes doc = corpus.text(kDoc);

    // 100 versions of the 5 MiB document, each a few line edits, beside git.
    std::printf("\n== 100 versions of a 5 MiB text document, 3 line edits each ==\n");
    std::string git100 = work + "/git100";
    GitReference git(git100);
    std::vector<double> gitMs;
    Build b100 = buildArchive(store, work + "/doc100.fy", work, doc, 100, corpus, false, &git, &gitMs);
    uint64_t ours = treeBytes(work + "/doc100.fy");
    uint64_t z6 = zlib6(b100.newest);
    uint64_t loose = git.objectBytes();
    git.gc(false);
    uint64_t packed = git.objectBytes();
    git.gc(true);
    uint64_t aggressive = git.objectBytes();
    std::printf("size      archive %.2f MiB = %.3f x one zlib-6 copy of the newest (%.2f MiB)\n", mb(ours),
                double(ours) / double(z6), mb(z6));
    std::printf("          git loose %.1f MiB = %.1f x | git gc %.2f MiB = %.2f x | git gc --aggressive %.2f MiB = %.2f x\n",
                mb(loose), double(loose) / double(z6), mb(packed), double(packed) / double(z6), mb(aggressive),
                double(aggressive) / double(z6));
    verdict(double(ours) <= 1.05 * double(z6), "<= 1.05 x zlib-6 copy");
    double addMean = mean(b100.addMs), copyMean = mean(b100.copyMs), gitMean = mean(gitMs);
    std::printf("save      add %.1f ms mean (median %.1f, max %.1f) = %.2f x plain copy with flush (%.1f ms mean)\n",
                addMean, median(b100.addMs), *std::max_element(b100.addMs.begin(), b100.addMs.end()),
                addMean / copyMean, copyMean);
    std::printf("          git add + commit %.1f ms mean = %.2f x plain copy\n", gitMean, gitMean / copyMean);
    verdict(addMean <= 3 * copyMean, "<= 3 x plain copy with flush");

    // 1,000 versions: retrieval of any version against the newest.
    std::printf("\n== 1,000 versions of a 5 MiB text document ==\n");
    fenn::Corpus corpus2(2025);
    std::string a1000 = work + "/doc1000.fy";
    Build b1000 = buildArchive(store, a1000, work, corpus2.text(kDoc), 1000, corpus2, false, nullptr, nullptr);
    uint64_t size1000 = treeBytes(a1000);
    uint64_t z1000 = zlib6(b1000.newest);
    std::printf("size      archive %.2f MiB = %.3f x one zlib-6 copy of the newest\n", mb(size1000),
                double(size1000) / double(z1000));
    std::printf("save      add %.1f ms mean over 999 adds = %.2f x plain copy with flush (%.1f ms)\n",
                mean(b1000.addMs), mean(b1000.addMs) / mean(b1000.copyMs), mean(b1000.copyMs));
    std::string out = work + "/FY#OUT.tmp";
    double newest = retrieveMs(store, a1000, 1000, out, 5);
    double worst = 0;
    int worstNumber = 0;
    for (int n = 1; n <= 1000; n += 37) {
        double t = retrieveMs(store, a1000, n, out, 3);
        if (t > worst) worst = t, worstNumber = n;
    }
    double oldest = retrieveMs(store, a1000, 1, out, 3);
    double copyRef = mean(b1000.copyMs);
    std::printf("retrieve  newest %.1f ms (%.2f x plain copy) | oldest %.1f ms | slowest of 28 spread versions: "
                "#%d %.1f ms = %.2f x newest\n",
                newest, newest / copyRef, oldest, worstNumber, worst, worst / newest);
    verdict(worst <= 2 * newest, "any version <= 2 x newest");

    // A large binary with a few changed regions.
    std::printf("\n== 10 versions of a 50 MiB binary file, 3 changed 4 KiB regions each ==\n");
    fenn::Corpus corpus3(2026);
    std::string abin = work + "/bin.fy";
    Build bbin = buildArchive(store, abin, work, corpus3.binary(50u << 20), 10, corpus3, true, nullptr, nullptr);
    uint64_t sizeBin = treeBytes(abin), zBin = zlib6(bbin.newest);
    std::printf("size      archive %.2f MiB = %.3f x one zlib-6 copy (%.2f MiB)\n", mb(sizeBin),
                double(sizeBin) / double(zBin), mb(zBin));
    std::printf("save      add %.1f ms mean = %.2f x plain copy with flush (%.1f ms)\n", mean(bbin.addMs),
                mean(bbin.addMs) / mean(bbin.copyMs), mean(bbin.copyMs));
    double binNewest = retrieveMs(store, abin, 10, out, 3), binOldest = retrieveMs(store, abin, 1, out, 3);
    std::printf("retrieve  newest %.1f ms, oldest %.1f ms (plain copy %.1f ms)\n", binNewest, binOldest,
                mean(bbin.copyMs));

    // Listing: the header of 10,000 versions.
    std::printf("\n== listing ==\n");
    std::string a10k = work + "/small10k.fy";
    {
        fenn::Corpus c(2027);
        Bytes small = c.text(2000);
        std::string snapshot = work + "/FY0002.tmp";
        writeFile(snapshot, small);
        store.create(a10k, snapshot, note(1), 32767, true);
        double t = nowMs();
        for (int i = 2; i <= 10000; ++i) {
            small = c.editLines(small, 1);
            writeFile(snapshot, small);
            store.add(a10k, snapshot, note(i));
        }
        std::printf("          (10,000 versions of a 2 KB file added one by one in %.1f s)\n", (nowMs() - t) / 1000);
    }
    int count10k = 0, count1000 = 0;
    double list10k = listMs(a10k, &count10k), list1000 = listMs(a1000, &count1000);
    std::printf("list      header of %d versions (2 KB document): %.2f ms | header of %d versions (5 MiB "
                "document): %.2f ms = %.3f x plain copy of the document\n",
                count10k, list10k, count1000, list1000, list1000 / copyRef);
    verdict(count10k == 10000 && list10k < 50, "10,000 versions listed in milliseconds");

    run("rm -rf '" + work + "'");
    std::printf("\n%s\n", g_failures ? "SOME TARGETS MISSED" : "all targets met");
    return g_failures ? 1 : 0;
}
