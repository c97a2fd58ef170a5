#include "fault_file_system.h"

#include <csignal>

namespace fenn {
namespace {

class FaultFile : public File {
public:
    FaultFile(std::unique_ptr<File> inner, FaultFileSystem& fs) : inner_(std::move(inner)), fs_(fs) {}
    bool read(uint64_t offset, void* data, size_t size) override {
        return fs_.step(false) == 0 && inner_->read(offset, data, size);
    }
    bool write(uint64_t offset, const void* data, size_t size) override {
        int s = fs_.step(true);
        if (s == 2) {
            inner_->write(offset, data, size / 2);
            fs_.afterTear();
        }
        return s == 0 && inner_->write(offset, data, size);
    }
    bool size(uint64_t* out) override { return fs_.step(false) == 0 && inner_->size(out); }
    bool truncate(uint64_t size) override { return fs_.step(false) == 0 && inner_->truncate(size); }
    bool flush() override { return fs_.step(false) == 0 && inner_->flush(); }
    // Locks are not I/O that can tear; they pass through (and die with the handle).
    bool tryLock(uint64_t offset, uint64_t length) override { return inner_->tryLock(offset, length); }
    bool unlock(uint64_t offset, uint64_t length) override { return inner_->unlock(offset, length); }

private:
    std::unique_ptr<File> inner_;
    FaultFileSystem& fs_;
};

}  // namespace

int FaultFileSystem::step(bool isWrite) {
    int64_t index = calls_++;
    if (dead_) return 1;
    if (mode_ == Mode::None || index != target_) return 0;
    fired_ = true;
    if (mode_ == Mode::Fail) return 1;
    dead_ = true;
    if (!isWrite) afterTear();
    return isWrite ? 2 : 1;
}

void FaultFileSystem::afterTear() {
#if !defined(_WIN32)
    if (mode_ == Mode::Exit) std::raise(SIGKILL);
#endif
}

std::unique_ptr<File> FaultFileSystem::open(const std::string& path, OpenMode mode) {
    if (step(false) != 0) return nullptr;
    std::unique_ptr<File> f = inner_.open(path, mode);
    if (!f) return nullptr;
    return std::unique_ptr<File>(new FaultFile(std::move(f), *this));
}

}  // namespace fenn
