// Wraps a file layer and, at one chosen call (every open, read, write,
// flush, truncate, rename and remove counts), either fails that call alone
// or "kills the process": a write at that call lands torn (its first half)
// and that call and every later one fail, so nothing more reaches the disk.
// Exit kills as Kill, then really ends the process (SIGKILL) at that call.
// Counting with no fault set tells how many calls an operation makes.
#pragma once

#include <cstdint>
#include <memory>

#include "file_system.h"

namespace fenn {

class FaultFileSystem : public FileSystem {
public:
    enum class Mode { None, Fail, Kill, Exit };

    explicit FaultFileSystem(FileSystem& inner) : inner_(inner) {}
    void arm(Mode mode, int64_t callIndex) {
        mode_ = mode;
        target_ = callIndex;
        calls_ = 0;
        dead_ = false;
    }
    int64_t calls() const { return calls_; }
    bool fired() const { return fired_; }
    // Counts one call; returns 0 go on, 1 fail this call, 2 tear this write.
    int step(bool isWrite);
    void afterTear();

    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    bool stat(const std::string& path, FileStat* out) override { return step(false) == 0 && inner_.stat(path, out); }
    bool exists(const std::string& path) override { return step(false) == 0 && inner_.exists(path); }
    bool renameNoReplace(const std::string& from, const std::string& to) override {
        return step(false) == 0 && inner_.renameNoReplace(from, to);
    }
    bool renameReplace(const std::string& from, const std::string& to) override {
        return step(false) == 0 && inner_.renameReplace(from, to);
    }
    bool remove(const std::string& path) override { return step(false) == 0 && inner_.remove(path); }
    int64_t now() override { return inner_.now(); }
    void sleepMs(int ms) override { inner_.sleepMs(ms); }

private:
    FileSystem& inner_;
    Mode mode_ = Mode::None;
    int64_t target_ = -1;
    int64_t calls_ = 0;
    bool dead_ = false;
    bool fired_ = false;
};

}  // namespace fenn
