// The change lock across real processes (fork) on the real file layer: a
// live holder blocks, a dead or hung one does not, and two processes adding
// at once lose nothing.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <set>
#include <unistd.h>

#include "change_lock.h"
#include "corpus.h"
#include "posix_file_system.h"
#include "posix_temp_dir.h"
#include "version_store.h"

namespace fenn {
namespace {

using Bytes = std::vector<uint8_t>;

class LockTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = lockPolicy();
        lockPolicy().waitMs = 200;
        archive = dir.file("doc.fy");
        PosixTempDir::write(dir.file("first"), Bytes{'1'});
        ASSERT_EQ(store.create(archive, dir.file("first"), VersionNote(), 100, true), StoreError::Ok);
    }
    void TearDown() override { lockPolicy() = saved; }

    // Takes the lease in a child process that holds on until told to go (a
    // byte on the pipe), then quits without giving it back.
    pid_t child(FileSystem* childFs = nullptr) {
        int ready[2], go[2];
        EXPECT_EQ(pipe(ready), 0);
        EXPECT_EQ(pipe(go), 0);
        pid_t pid = fork();
        if (pid == 0) {
            FileSystem& f = childFs ? *childFs : fs;
            char c = VersionStore(f).lock(archive) == StoreError::Ok ? 'y' : 'n';
            if (write(ready[1], &c, 1) != 1 || read(go[0], &c, 1) != 1) _exit(3);
            _exit(0);  // never releases: the system must
        }
        char c = 0;
        EXPECT_EQ(read(ready[0], &c, 1), 1);
        EXPECT_EQ(c, 'y');
        goPipe = go[1];
        close(ready[0]);
        close(ready[1]);
        close(go[0]);
        return pid;
    }
    void release(pid_t pid) {
        char c = 'g';
        EXPECT_EQ(write(goPipe, &c, 1), 1);
        close(goPipe);
        int status = 0;
        waitpid(pid, &status, 0);
    }

    PosixTempDir dir;
    PosixFileSystem fs;
    VersionStore store{fs};
    std::string archive;
    LockPolicy saved;
    int goPipe = -1;
};

TEST_F(LockTest, ALiveHolderInAnotherProcessBlocksChangesAndADeadOneDoesNot) {
    pid_t pid = child();
    EXPECT_EQ(store.lock(archive), StoreError::Locked);
    PosixTempDir::write(dir.file("second"), Bytes{'2'});
    EXPECT_EQ(store.add(archive, dir.file("second"), VersionNote()), StoreError::Locked);
    EXPECT_EQ(store.setMaxTemp(archive, 5), StoreError::Locked);
    int32_t cap = 0;
    EXPECT_EQ(store.getMaxTemp(archive, &cap), StoreError::Ok);  // readers never wait
    release(pid);  // the child died holding the lease
    EXPECT_EQ(store.lock(archive), StoreError::Ok);
    EXPECT_EQ(store.add(archive, dir.file("second"), VersionNote()), StoreError::Ok);
}

class OldClockFileSystem : public PosixFileSystem {
public:
    int64_t now() override { return 1000; }
};

TEST_F(LockTest, ALeaseHeldPastItsBoundNoLongerBlocks) {
    OldClockFileSystem old;
    pid_t pid = child(&old);  // alive, holding a lease taken "long ago"
    EXPECT_EQ(store.lock(archive), StoreError::Ok);
    PosixTempDir::write(dir.file("second"), Bytes{'2'});
    EXPECT_EQ(store.add(archive, dir.file("second"), VersionNote()), StoreError::Ok);
    release(pid);
}

TEST_F(LockTest, TwoProcessesAddingAtOnceLoseNoVersion) {
    lockPolicy().waitMs = 20000;
    const int kEach = 15;
    pid_t pids[2];
    for (int p = 0; p < 2; ++p) {
        pids[p] = fork();
        if (pids[p] == 0) {
            PosixFileSystem f;
            VersionStore s(f);
            for (int i = 0; i < kEach; ++i) {
                std::string name = dir.file("snap" + std::to_string(p));
                PosixTempDir::write(name, Corpus(uint32_t(100 * p + i)).text(3000));
                if (s.lock(archive) != StoreError::Ok) _exit(10);
                if (s.add(archive, name, VersionNote()) != StoreError::Ok) _exit(11);
            }
            _exit(0);
        }
    }
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ArchiveState s;
    ASSERT_EQ(store.read(archive, &s), StoreError::Ok);
    std::multiset<Bytes> expected, found;
    for (int p = 0; p < 2; ++p)
        for (int i = 0; i < kEach; ++i) expected.insert(Corpus(uint32_t(100 * p + i)).text(3000));
    for (auto& v : s.catalog.versions) {
        Bytes b;
        ASSERT_EQ(store.retrieveBytes(archive, v.number, &b), StoreError::Ok);
        if (v.number != 1) found.insert(b);
    }
    EXPECT_EQ(found, expected);
}

}  // namespace
}  // namespace fenn
