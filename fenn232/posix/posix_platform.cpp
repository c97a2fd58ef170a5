#include "platform.h"
#include "posix_file_system.h"

namespace fenn {

FileSystem& platformFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

}  // namespace fenn
