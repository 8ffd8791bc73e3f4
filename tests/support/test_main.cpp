// Entry of every test program: the main thread is an OLE apartment, as a host's would be.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    OleUninitialize();
    return status;
}
