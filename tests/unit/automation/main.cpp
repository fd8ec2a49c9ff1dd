#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

// COM belongs to the host's thread; the tests stand in for the host.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) return 2;
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
