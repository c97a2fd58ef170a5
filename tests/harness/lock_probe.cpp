// Another program at an archive's change lock, for tests that must see the
// lock from outside the process under test.
//
//   lock_probe try  FOLDER NAME         exit code: StoreSetLock's status (the
//                                       lock is given back when taken)
//   lock_probe hold FOLDER NAME EVENT   takes the lock, sets EVENT-held, keeps
//                                       the lock until EVENT-release is set or
//                                       60 s have passed; exit code: the status
#include <windows.h>

#include <cstring>
#include <string>

#include "store_api.h"

int main(int argc, char** argv)
{
    if (argc < 4)
        return 100;
    const char* folder = argv[2];
    const char* name = argv[3];
    StoreContext context = {};
    StoreStatus status = StoreSetLock(name, name, folder, folder, "probe", 1, 0, &context);
    if (strcmp(argv[1], "hold") == 0 && argc >= 5) {
        std::string event = argv[4];
        HANDLE held = CreateEventA(nullptr, TRUE, FALSE, (event + "-held").c_str());
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, (event + "-release").c_str());
        if (status == 0)
            SetEvent(held);
        WaitForSingleObject(release, 60000);
        CloseHandle(held);
        CloseHandle(release);
    }
    if (status == 0)
        StoreSetLock(name, name, folder, folder, "probe", 0, 0, &context);
    return static_cast<int>(status);
}
