#include "posix_file_system.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fenn {
namespace {

thread_local int t_lastError = 0;

// Keeps errno of the call that just failed.
bool failed() {
    t_lastError = errno;
    return false;
}

class PosixFile : public File {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { ::close(fd_); }

    bool read(uint64_t offset, void* data, size_t size) override {
        char* p = static_cast<char*>(data);
        while (size > 0) {
            ssize_t n = ::pread(fd_, p, size, off_t(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return failed();
            if (n == 0) return false;
            p += n;
            offset += uint64_t(n);
            size -= size_t(n);
        }
        return true;
    }
    bool write(uint64_t offset, const void* data, size_t size) override {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            ssize_t n = ::pwrite(fd_, p, size, off_t(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return failed();
            p += n;
            offset += uint64_t(n);
            size -= size_t(n);
        }
        return true;
    }
    bool size(uint64_t* out) override {
        struct stat st;
        if (::fstat(fd_, &st) != 0) return false;
        *out = uint64_t(st.st_size);
        return true;
    }
    bool truncate(uint64_t size) override { return ::ftruncate(fd_, off_t(size)) == 0 || failed(); }
    bool flush() override { return ::fsync(fd_) == 0 || failed(); }
    bool tryLock(uint64_t offset, uint64_t length) override { return range(F_WRLCK, offset, length); }
    bool unlock(uint64_t offset, uint64_t length) override { return range(F_UNLCK, offset, length); }

private:
    bool range(short type, uint64_t offset, uint64_t length) {
        struct flock fl = {};
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(offset);
        fl.l_len = off_t(length);
        return ::fcntl(fd_, F_OFD_SETLK, &fl) == 0;
    }
    int fd_;
};

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

std::unique_ptr<File> PosixFileSystem::open(const std::string& path, OpenMode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::Read: flags |= O_RDONLY; break;
    case OpenMode::ReadWrite: flags |= O_RDWR; break;
    case OpenMode::CreateNew:
    case OpenMode::CreatePrivate: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    case OpenMode::Truncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    // A private file is its owner's alone from its creation on.
    int fd = ::open(path.c_str(), flags, mode == OpenMode::CreatePrivate ? 0600 : 0644);
    if (fd < 0) {
        failed();
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<File>(new PosixFile(fd));
}

bool PosixFileSystem::stat(const std::string& path, FileStat* out) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    out->size = uint64_t(st.st_size);
    out->modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

bool PosixFileSystem::exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::renameNoReplace(const std::string& from, const std::string& to) {
    // link() fails when `to` exists, so two creators can never both win.
    if (::link(from.c_str(), to.c_str()) != 0) return failed();
    ::unlink(from.c_str());
    int dir = ::open(folderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    bool ok = ::fsync(dir) == 0;
    ::close(dir);
    return ok;
}

bool PosixFileSystem::renameReplace(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return failed();
    int dir = ::open(folderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    bool ok = ::fsync(dir) == 0;
    ::close(dir);
    return ok;
}

bool PosixFileSystem::remove(const std::string& path) { return ::unlink(path.c_str()) == 0 || failed(); }

uint32_t PosixFileSystem::lastError() { return uint32_t(t_lastError); }

void PosixFileSystem::clearError() { t_lastError = 0; }

void PosixFileSystem::setError(uint32_t error) { t_lastError = int(error); }

int64_t PosixFileSystem::now() { return int64_t(std::time(nullptr)); }

void PosixFileSystem::sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace fenn
