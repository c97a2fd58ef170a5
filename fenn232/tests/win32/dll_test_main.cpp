// The DLL tests' entry: plain gtest, or one of the child roles that the lock
// tests start as separate processes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dll_test_support.h"

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--child-add") == 0)
        return dlltest::childAdd(argv[2], argv[3], std::stoi(argv[4]));
    if (argc == 3 && std::strcmp(argv[1], "--child-hold") == 0) return dlltest::childHold(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
