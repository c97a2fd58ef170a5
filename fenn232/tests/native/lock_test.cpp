// The lease across real processes (fork) on the real file layer: a live
// holder blocks changes but not readers, a dead one does not, nor a live one
// that has held it past its bound. (Two processes adding at once: the DLL's
// lock tests, on the product's own file layer.)
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "change_lock.h"
#include "posix_file_system.h"
#include "temp_folder.h"
#include "version_store.h"

namespace fenn {
namespace {

class OldClockFileSystem : public PosixFileSystem {
public:
    int64_t now() override { return 1000; }
};

TEST(LockTest, ALiveHolderBlocksChangesADeadOrHungOneDoesNot) {
    alarm(120);  // a bound on every pipe read and wait below
    LockPolicy saved = lockPolicy();
    lockPolicy().waitMs = 200;
    TempFolder dir;
    PosixFileSystem fs;
    OldClockFileSystem oldClock;  // a lease taken "long ago"
    VersionStore store(fs);
    const std::string archive = dir.file("doc.fy"), source = dir.file("source");
    TempFolder::write(source, {'1'});
    ASSERT_EQ(store.create(archive, source, VersionNote(), 100, true), StoreError::Ok);
    for (FileSystem* childFs : {static_cast<FileSystem*>(&fs), static_cast<FileSystem*>(&oldClock)}) {
        // The child takes the lease, says so, and dies holding it when told.
        int ready[2], go[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(go), 0);
        pid_t pid = fork();
        if (pid == 0) {
            char c = VersionStore(*childFs).lock(archive) == StoreError::Ok ? 'y' : 'n';
            _exit(write(ready[1], &c, 1) == 1 && read(go[0], &c, 1) == 1 ? 0 : 3);
        }
        char c = 0;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        ASSERT_EQ(c, 'y');
        StoreError expected = childFs == &fs ? StoreError::Locked : StoreError::Ok;
        EXPECT_EQ(store.lock(archive), expected);
        EXPECT_EQ(store.add(archive, source, VersionNote()), expected);
        EXPECT_EQ(store.setMaxTemp(archive, 5), expected);
        int32_t cap = 0;
        EXPECT_EQ(store.getMaxTemp(archive, &cap), StoreError::Ok);  // readers never wait
        EXPECT_EQ(write(go[1], &c, 1), 1);
        int status = 0;
        EXPECT_EQ(waitpid(pid, &status, 0), pid);
        for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
        EXPECT_EQ(store.lock(archive), StoreError::Ok);  // the holder died with it
        EXPECT_EQ(store.add(archive, source, VersionNote()), StoreError::Ok);
    }
    lockPolicy() = saved;
    alarm(0);
}

}  // namespace
}  // namespace fenn
