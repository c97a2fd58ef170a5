#include "platform.h"
#include "win32_file_system.h"

namespace fenn {

FileSystem& platformFileSystem() {
    static Win32FileSystem fs;
    return fs;
}

}  // namespace fenn
