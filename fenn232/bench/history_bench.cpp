// The store on realistic edit histories, through its exported operations: the
// same program runs natively (the core over the POSIX layer) and as a Win32
// program against FENN232.DLL under Wine, whose figures are the ones that
// count. Every figure is printed beside references measured in the same run:
// one zlib-6 copy of the newest version, a copy of the file with a flush, and
// (measured natively, handed to the Win32 run in a file) git after gc and
// after gc --aggressive, and xz -9e over all versions concatenated.
//
//   fenn232_history_bench [--quick] [--only CASE] [--references-to FILE | --references-from FILE]
//                         [--versions FOLDER] [work folder]
//   fenn232_history_bench --write-versions CASE FOLDER
//   fenn232_history_bench --memory CASE --versions-in FOLDER [work folder]
// --versions adds the case "folder": the files 0, 1, 2 ... of FOLDER as
// successive versions (material from outside the repository).
// --memory runs one case for the peak memory of saving and retrieving it
// (log-50m, log-200m: 50 and 200 MiB documents) and nothing else, from the
// versions --write-versions wrote in another process: the process then holds
// nothing but the store while it saves and retrieves them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <zlib.h>

#include "bench_util.h"
#include "corpus.h"
#include "history.h"
#include "store_api.h"

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include "git_reference.h"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

double nowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

#if defined(_WIN32)
const char kSep = '\\';
#else
const char kSep = '/';
#endif

bool writeFile(const std::string& path, const Bytes& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

uint64_t fileSize(const std::string& path) {
#if defined(_WIN32)
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return 0;
    return (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
#else
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
#endif
}

// The reference for saving and retrieving: read the file, write a copy, flush it.
void copyWithFlush(const std::string& from, const std::string& to) {
#if defined(_WIN32)
    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE out = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    static std::vector<char> buffer(1 << 20);
    DWORD got = 0, put = 0;
    while (in != INVALID_HANDLE_VALUE && ReadFile(in, buffer.data(), DWORD(buffer.size()), &got, nullptr) && got)
        WriteFile(out, buffer.data(), got, &put, nullptr);
    FlushFileBuffers(out);
    CloseHandle(in);
    CloseHandle(out);
#else
    int in = ::open(from.c_str(), O_RDONLY);
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    static std::vector<char> buffer(1 << 20);
    ssize_t got;
    while ((got = ::read(in, buffer.data(), buffer.size())) > 0)
        if (::write(out, buffer.data(), size_t(got)) != got) break;
    ::fsync(out);
    ::close(in);
    ::close(out);
#endif
}

void removeFile(const std::string& path) { std::remove(path.c_str()); }

using bench::median;
using bench::zlib6;

// One history of the benchmark: how its versions are made and how many.
struct Case {
    const char* name;
    const char* what;
    int versions;
    int cap;  // temporary versions kept
    std::function<std::unique_ptr<fenn::History>()> make;
};

// The synthetic prose text of the first benchmark as a history.
class ProseHistory : public fenn::History {
public:
    ProseHistory(uint32_t seed, size_t size) : History(seed), corpus_(seed) { text_ = corpus_.text(size); }
    fenn::HistoryBytes next() override {
        if (!first_) text_ = corpus_.editLines(text_, 3);
        first_ = false;
        return text_;
    }

private:
    fenn::Corpus corpus_;
    Bytes text_;
    bool first_ = true;
};

// Versions kept as files named 0, 1, 2 ... in a folder: material from
// outside the repository (a real file's history taken from git, or the
// successive releases of a document), handed to the benchmark as it is.
class FolderHistory : public fenn::History {
public:
    explicit FolderHistory(const std::string& folder) : History(0), folder_(folder) {}
    fenn::HistoryBytes next() override {
        std::string path = folder_ + kSep + std::to_string(index_++);
        Bytes data;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            char buffer[65536];
            size_t got;
            while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.insert(data.end(), buffer, buffer + got);
            std::fclose(f);
        }
        return data;
    }
    static int count(const std::string& folder) {
        int n = 0;
        while (fileSize(folder + kSep + std::to_string(n)) > 0) ++n;
        return n;
    }

private:
    std::string folder_;
    int index_ = 0;
};

std::string g_folder;

std::vector<Case> cases(bool quick) {
    std::vector<Case> c;
    if (!g_folder.empty()) {
        std::string folder = g_folder;
        c.push_back({"folder", "versions from a folder", FolderHistory::count(folder), 32767,
                     [folder] { return std::unique_ptr<fenn::History>(new FolderHistory(folder)); }});
    }
    c.push_back({"md-2k", "Markdown list, 2 KB", 10, 32767,
                 [] { return std::unique_ptr<fenn::History>(new fenn::MarkdownListHistory(11, 2000)); }});
    c.push_back({"md-200k", "Markdown list, 130-250 KB", quick ? 200 : 1000, 32767,
                 [] { return std::unique_ptr<fenn::History>(new fenn::MarkdownListHistory(12, 130000)); }});
    c.push_back({"md-200k-cap", "Markdown list, 200 KB, at the default cap of 10", quick ? 60 : 300, 10,
                 [] { return std::unique_ptr<fenn::History>(new fenn::MarkdownListHistory(13, 200000)); }});
    c.push_back({"prose-5m", "prose text, 5 MiB, 3 line edits a version", quick ? 10 : 100, 32767,
                 [] { return std::unique_ptr<fenn::History>(new ProseHistory(2024, 5u << 20)); }});
    c.push_back({"log-1m", "log, 1 MiB growing by 200 lines", quick ? 20 : 100, 32767,
                 [] { return std::unique_ptr<fenn::History>(new fenn::LogHistory(14, 1u << 20, 200)); }});
    c.push_back({"zip-doc", "ZIP office document, 2000 paragraphs", quick ? 20 : 100, 32767,
                 [] { return std::unique_ptr<fenn::History>(new fenn::ZipDocumentHistory(15, 2000)); }});
    if (!quick)
        c.push_back({"log-50m", "log, 50 MiB growing by 2000 lines", 5, 32767,
                     [] { return std::unique_ptr<fenn::History>(new fenn::LogHistory(16, 50u << 20, 2000)); }});
    return c;
}

// Cases run only with --memory.
std::vector<Case> memoryCases() {
    std::vector<Case> c;
    c.push_back({"log-50m", "log, 50 MiB growing by 2000 lines", 5, 32767,
                 [] { return std::unique_ptr<fenn::History>(new fenn::LogHistory(16, 50u << 20, 2000)); }});
    c.push_back({"log-200m", "log, 200 MiB growing by 2000 lines", 3, 32767,
                 [] { return std::unique_ptr<fenn::History>(new fenn::LogHistory(17, 200u << 20, 2000)); }});
    return c;
}

// References measured natively: git and xz over the same versions.
struct References {
    uint64_t git = 0, gitAggressive = 0, xz = 0;
};

using ReferenceTable = std::map<std::string, References>;

#if !defined(_WIN32)
References measureReferences(const Case& c, const std::string& work) {
    References r;
    std::string gitFolder = work + "/git-" + c.name;
    bench::GitReference git(gitFolder);
    std::string all = work + "/all-" + std::string(c.name);
    FILE* concatenated = std::fopen(all.c_str(), "wb");
    std::unique_ptr<fenn::History> h = c.make();
    for (int i = 0; i < c.versions; ++i) {
        Bytes v = h->next();
        git.commit(v);
        std::fwrite(v.data(), 1, v.size(), concatenated);
    }
    std::fclose(concatenated);
    git.gc(false);
    r.git = git.objectBytes();
    git.gc(true);
    r.gitAggressive = git.objectBytes();
    // xz -9e takes most of an hour over the 50 MiB log's versions, which
    // repeat each other within its dictionary: past 64 MiB, no xz figure.
    if (fileSize(all) <= (uint64_t(64) << 20)) {
        bench::run("xz -9e -T1 -k -f '" + all + "'");
        r.xz = fileSize(all + ".xz");
    }
    bench::run("rm -rf '" + gitFolder + "' '" + all + "' '" + all + ".xz'");
    return r;
}
#endif

struct Result {
    uint64_t archive = 0, newestZ = 0, newestSize = 0;
    double addMs = 0, addMaxMs = 0, copyMs = 0;
    double newestMs = 0, oldestMs = 0, worstMs = 0, copyOutMs = 0, worstCopyMs = 0;
    int failures = 0;
};

StoreContext g_context = {};

Result runCase(const Case& c, const std::string& work) {
    Result r;
    std::string file = std::string("FY") + c.name + ".txt";
    std::string archiveName = std::string(c.name) + ".fy";
    std::string archive = work + kSep + archiveName;
    std::string snapshot = work + kSep + file;
    removeFile(archive);
    std::unique_ptr<fenn::History> h = c.make();
    std::vector<double> add, copy;
    Bytes newest;
    for (int i = 1; i <= c.versions; ++i) {
        newest = h->next();
        writeFile(snapshot, newest);
        std::string comment = "Version " + std::to_string(i);
        double t = nowMs();
        StoreStatus s = i == 1 ? StoreCreateArchive(file.c_str(), archiveName.c_str(), work.c_str(), work.c_str(),
                                                    "bench", comment.c_str(), "", 0, 0, 0, c.cap, c.cap, 0, 1, 0)
                               : StoreAddVersion(file.c_str(), archiveName.c_str(), work.c_str(), work.c_str(),
                                                 "bench", comment.c_str(), "", 0, 0, 0, 0, 0, &g_context);
        double dt = nowMs() - t;
        if (s != 0) {
            std::printf("   store status %d at version %d\n", int(s), i);
            ++r.failures;
        }
        if (i > 1) add.push_back(dt);
        t = nowMs();
        copyWithFlush(snapshot, work + kSep + "copy.out");
        copy.push_back(nowMs() - t);
    }
    r.archive = fileSize(archive);
    r.newestSize = newest.size();
    r.newestZ = zlib6(newest);
    r.addMs = median(add);
    r.addMaxMs = add.empty() ? 0 : *std::max_element(add.begin(), add.end());
    r.copyMs = median(copy);

    // Retrieve: newest, oldest kept, and a spread, each against a copy with flush.
    ArchiveHeader header = {};
    StoreHeaderHandle handle = 0;
    std::vector<int> numbers;
    if (StoreReadHeader(archive.c_str(), &header, &handle) == 0) {
        for (int i = 0; i < header.count; ++i) numbers.push_back(header.entries[i].number);
        StoreReleaseHeader(handle);
    }
    std::string outName = "FYout.tmp";
    // Each retrieve is followed by a copy with flush of the bytes it wrote,
    // so that every version is held against its own reference, measured in
    // the same moments (a busy machine's flushes vary by several times).
    struct Timing {
        double ms, copyMs;
    };
    auto retrieve = [&](int number) {
        std::vector<double> t, c;
        for (int k = 0; k < 7; ++k) {
            double s = nowMs();
            StoreStatus st = StoreRetrieveVersion(outName.c_str(), archiveName.c_str(), work.c_str(), work.c_str(),
                                                  "bench", "", number, 2, 0, 1, &g_context);
            t.push_back(nowMs() - s);
            if (st != 0 && k == 0) {
                std::printf("   retrieve %d: status %d\n", number, int(st));
                ++r.failures;
            }
            s = nowMs();
            copyWithFlush(work + kSep + outName, work + kSep + "copy.out");
            c.push_back(nowMs() - s);
        }
        return Timing{median(t), median(c)};
    };
    if (!numbers.empty()) {
        Timing newest = retrieve(numbers.back()), oldest = retrieve(numbers.front());
        r.newestMs = newest.ms;
        r.copyOutMs = newest.copyMs;
        r.oldestMs = oldest.ms;
        Timing worst = newest.ms / newest.copyMs >= oldest.ms / oldest.copyMs ? newest : oldest;
        size_t step = numbers.size() / 8 + 1;
        for (size_t i = 0; i < numbers.size(); i += step) {
            Timing t = retrieve(numbers[i]);
            if (t.ms / t.copyMs > worst.ms / worst.copyMs) worst = t;
        }
        r.worstMs = worst.ms;
        r.worstCopyMs = worst.copyMs;
    }
    removeFile(archive);
    removeFile(snapshot);
    removeFile(work + kSep + outName);
    removeFile(work + kSep + "copy.out");
    return r;
}

// The process's working set now and at its peak, in bytes.
void workingSet(uint64_t* now, uint64_t* peak) {
#if defined(_WIN32)
    PROCESS_MEMORY_COUNTERS m = {};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
    *now = m.WorkingSetSize;
    *peak = m.PeakWorkingSetSize;
#else
    struct rusage u = {};
    ::getrusage(RUSAGE_SELF, &u);
    *peak = uint64_t(u.ru_maxrss) * 1024;
    *now = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        unsigned long pages = 0, resident = 0;
        if (std::fscanf(f, "%lu %lu", &pages, &resident) == 2) *now = uint64_t(resident) * uint64_t(::sysconf(_SC_PAGESIZE));
        std::fclose(f);
    }
#endif
}

// Saves every version of `c` and retrieves each, from versions written to
// files beforehand; prints the peak working set above what the process held
// before the first save, against the size of the largest version.
// Writes the versions of a memory case as the files name.1, name.2 ... in
// `folder`; the largest version's size in *largest.
bool writeVersions(const Case& c, const std::string& folder, uint64_t* largest) {
    std::unique_ptr<fenn::History> h = c.make();
    *largest = 0;
    for (int i = 1; i <= c.versions; ++i) {
        Bytes v = h->next();
        *largest = std::max<uint64_t>(*largest, v.size());
        if (!writeFile(folder + kSep + c.name + "." + std::to_string(i), v)) {
            std::printf("   cannot write version %d\n", i);
            return false;
        }
    }
    return true;
}

// Saves and retrieves every version of a memory case, from files written
// beforehand by another process (--write-versions): making them here would
// leave the generator's own peak in the process's peak, which the store's
// may not exceed.
int runMemory(const Case& c, const std::string& work, const std::string& versions) {
    std::string archiveName = std::string(c.name) + ".fy";
    std::string archive = work + kSep + archiveName;
    uint64_t largest = 0;
    for (int i = 1; i <= c.versions; ++i) {
        uint64_t size = versions.empty() ? 0 : fileSize(versions + kSep + c.name + "." + std::to_string(i));
        if (size == 0) {
            std::printf("   no version %d in \"%s\": run --write-versions %s FOLDER first\n", i, versions.c_str(),
                        c.name);
            return 1;
        }
        largest = std::max(largest, size);
    }
    uint64_t before = 0, peak = 0;
    workingSet(&before, &peak);
    int failures = 0;
    double t = nowMs();
    for (int i = 1; i <= c.versions; ++i) {
        std::string file = std::string(c.name) + "." + std::to_string(i);
        StoreStatus s = i == 1 ? StoreCreateArchive(file.c_str(), archiveName.c_str(), versions.c_str(), work.c_str(),
                                                    "bench", "", "", 0, 0, 0, c.cap, c.cap, 0, 1, 0)
                               : StoreAddVersion(file.c_str(), archiveName.c_str(), versions.c_str(), work.c_str(),
                                                 "bench", "", "", 0, 0, 0, 0, 0, &g_context);
        if (s != 0) {
            std::printf("   store status %d at version %d\n", int(s), i);
            ++failures;
        }
    }
    double saveMs = nowMs() - t;
    uint64_t now = 0, savePeak = 0;
    workingSet(&now, &savePeak);
    t = nowMs();
    for (int i = c.versions; i >= 1; --i) {
        StoreStatus s = StoreRetrieveVersion("FYout.tmp", archiveName.c_str(), work.c_str(), work.c_str(), "bench", "",
                                             i, 2, 0, 1, &g_context);
        if (s != 0) {
            std::printf("   retrieve %d: status %d\n", i, int(s));
            ++failures;
        }
    }
    double retrieveMs = nowMs() - t;
    uint64_t retrievePeak = 0;
    workingSet(&now, &retrievePeak);
    double mib = 1048576.0;
    std::printf("\n== memory, %s: %s, %d versions, largest %.1f MiB ==\n", c.name, c.what, c.versions,
                double(largest) / mib);
    std::printf("memory    before the first save %.1f MiB | peak while saving %.1f MiB above it = %.2f x the "
                "document (%.1f s) | peak while retrieving every version %.1f MiB above it = %.2f x (%.1f s)\n",
                double(before) / mib, double(savePeak - before) / mib, double(savePeak - before) / double(largest),
                saveMs / 1000, double(retrievePeak - before) / mib, double(retrievePeak - before) / double(largest),
                retrieveMs / 1000);
    std::printf("archive   %llu bytes, %s\n", (unsigned long long)fileSize(archive),
                failures ? "STORE FAILURES" : "every version saved and retrieved");
    removeFile(archive);
    removeFile(work + kSep + "FYout.tmp");
    return failures;
}

bool readReferences(const std::string& path, ReferenceTable* table) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    char name[64];
    unsigned long long git, aggressive, xz;
    while (std::fscanf(f, "%63s %llu %llu %llu", name, &git, &aggressive, &xz) == 4)
        (*table)[name] = References{git, aggressive, xz};
    std::fclose(f);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    std::string refsTo, refsFrom, work, only, memory, writeCase, versionsIn;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--quick") quick = true;
        else if (a == "--only" && i + 1 < argc) only = argv[++i];
        else if (a == "--references-to" && i + 1 < argc) refsTo = argv[++i];
        else if (a == "--references-from" && i + 1 < argc) refsFrom = argv[++i];
        else if (a == "--versions" && i + 1 < argc) g_folder = argv[++i];
        else if (a == "--memory" && i + 1 < argc) memory = argv[++i];
        else if (a == "--write-versions" && i + 1 < argc) writeCase = argv[++i];
        else if (a == "--versions-in" && i + 1 < argc) versionsIn = argv[++i];
        else work = a;
    }
    if (work.empty()) {
#if defined(_WIN32)
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        work = temp;
        if (!work.empty() && work.back() == '\\') work.pop_back();
#else
        work = "/tmp";
#endif
    }
    if (!writeCase.empty()) {  // into the work folder itself
        for (const Case& c : memoryCases()) {
            uint64_t largest = 0;
            if (writeCase == c.name) return writeVersions(c, work, &largest) ? 0 : 1;
        }
        std::printf("no memory case %s\n", writeCase.c_str());
        return 1;
    }
    std::string title = std::string("FYbench") + std::to_string(unsigned(nowMs()) % 100000);
    work += kSep + title;
#if defined(_WIN32)
    CreateDirectoryA(work.c_str(), nullptr);
    const char* build = sizeof(void*) == 8 ? "Win32 x64 DLL" : "Win32 i686 DLL";
#else
    ::mkdir(work.c_str(), 0755);
    const char* build = "native";
#endif
    std::strcpy(g_context.text, "Fennory");
    std::printf("Fennory version store on edit histories (%s, work folder %s)\n", build, work.c_str());

    if (!memory.empty()) {
        int failures = -1;
        for (const Case& c : memoryCases())
            if (memory == c.name) failures = runMemory(c, work, versionsIn);
        if (failures < 0) std::printf("no memory case %s\n", memory.c_str());
#if defined(_WIN32)
        RemoveDirectoryA(work.c_str());
#else
        ::rmdir(work.c_str());
#endif
        return failures ? 2 : 0;
    }

    ReferenceTable refs;
    if (!refsFrom.empty() && !readReferences(refsFrom, &refs))
        std::printf("(no references in %s)\n", refsFrom.c_str());
    FILE* refsOut = refsTo.empty() ? nullptr : std::fopen(refsTo.c_str(), "w");
    int missed = 0, failures = 0;
    for (const Case& c : cases(quick)) {
        if (!only.empty() && only != c.name) continue;
#if !defined(_WIN32)
        if (refsOut || refsFrom.empty()) {
            References m = measureReferences(c, work);
            refs[c.name] = m;
            if (refsOut) std::fprintf(refsOut, "%s %llu %llu %llu\n", c.name, (unsigned long long)m.git,
                                      (unsigned long long)m.gitAggressive, (unsigned long long)m.xz);
        }
#endif
        Result r = runCase(c, work);
        failures += r.failures;
        double z = double(r.newestZ);
        std::printf("\n== %s: %s, %d versions ==\n", c.name, c.what, c.versions);
        std::printf("size      archive %llu bytes = %.2f x one zlib-6 copy of the newest (%llu of %llu bytes)\n",
                    (unsigned long long)r.archive, double(r.archive) / z, (unsigned long long)r.newestZ,
                    (unsigned long long)r.newestSize);
        auto it = refs.find(c.name);
        if (it != refs.end()) {
            std::printf("          git gc %.2f x | git gc --aggressive %.2f x | ", double(it->second.git) / z,
                        double(it->second.gitAggressive) / z);
            if (it->second.xz) std::printf("xz -9e of all versions %.2f x\n", double(it->second.xz) / z);
            else std::printf("xz -9e not run (over 64 MiB)\n");
        }
        double sizeGoal = std::strcmp(c.name, "md-200k") == 0 ? 2.5 : std::strcmp(c.name, "prose-5m") == 0 ? 1.05 : 0;
        if (std::strcmp(c.name, "md-2k") == 0) sizeGoal = 4;
        if (sizeGoal > 0) {
            bool ok = double(r.archive) <= sizeGoal * z;
            std::printf("   [size goal <= %.2f x: %s]\n", sizeGoal, ok ? "met" : "MISSED");
            missed += ok ? 0 : 1;
        }
        std::printf("save      add median %.2f ms (max %.2f) = %.2f x copy with flush (%.2f ms)\n", r.addMs,
                    r.addMaxMs, r.addMs / r.copyMs, r.copyMs);
        std::printf("retrieve  newest %.2f ms (%.2f x copy with flush %.2f ms) | oldest %.2f ms | slowest against "
                    "its copy %.2f ms = %.2f x (%.2f ms)\n",
                    r.newestMs, r.newestMs / r.copyOutMs, r.copyOutMs, r.oldestMs, r.worstMs,
                    r.worstMs / r.worstCopyMs, r.worstCopyMs);
        bool saveOk = r.addMs <= 3 * r.copyMs, retrieveOk = r.worstMs <= 3 * r.worstCopyMs;
        std::printf("   [save goal <= 3 x: %s] [retrieve goal <= 3 x: %s]\n", saveOk ? "met" : "MISSED",
                    retrieveOk ? "met" : "MISSED");
        missed += (saveOk ? 0 : 1) + (retrieveOk ? 0 : 1);
        std::fflush(stdout);
    }
    if (refsOut) std::fclose(refsOut);
#if defined(_WIN32)
    RemoveDirectoryA(work.c_str());
#else
    ::rmdir(work.c_str());
#endif
    std::printf("\n%d goals missed, %d store failures\n", missed, failures);
    return failures ? 2 : 0;
}
