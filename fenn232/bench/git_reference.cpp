#include "git_reference.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

void writeFile(const std::string& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data.data()), long(data.size()));
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void copyWithFlush(const std::string& from, const std::string& to) {
    Bytes data = readFile(from);
    int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    if (::write(fd, data.data(), data.size()) != ssize_t(data.size())) std::perror("write");
    ::fsync(fd);
    ::close(fd);
}

uint64_t treeBytes(const std::string& folder) {
    if (std::filesystem::is_regular_file(folder)) return std::filesystem::file_size(folder);
    uint64_t total = 0;
    for (auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file()) total += e.file_size();
    return total;
}

std::string makeTempFolder(const std::string& under) {
    std::string pattern = under + "/fenn232-bench-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    return ::mkdtemp(buf.data());
}

int run(const std::string& command) { return std::system(command.c_str()); }

GitReference::GitReference(const std::string& folder) : folder_(folder) {
    run("git init -q '" + folder_ + "' && git -C '" + folder_ + "' config user.email b@example.org && git -C '" +
        folder_ + "' config user.name bench && git -C '" + folder_ + "' config gc.auto 0 >/dev/null 2>&1");
}

double GitReference::commit(const Bytes& content) {
    writeFile(folder_ + "/doc.txt", content);
    double t = nowMs();
    // An unchanged version still makes a commit, and git's own chatter stays
    // off the benchmark's report.
    run("git -C '" + folder_ + "' add doc.txt && git -C '" + folder_ + "' commit -q --allow-empty -m v" +
        std::to_string(++serial_) + " >/dev/null 2>&1");
    return nowMs() - t;
}

uint64_t GitReference::objectBytes() { return treeBytes(folder_ + "/.git/objects"); }

void GitReference::gc(bool aggressive) {
    run("git -C '" + folder_ + "' gc -q --prune=now" + std::string(aggressive ? " --aggressive" : "") +
        " >/dev/null 2>&1");
}

}  // namespace bench
