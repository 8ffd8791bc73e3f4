// Demonstration host: connects a document to the image server and reports what answered.
#include <windows.h>

#include <cstdio>

#include "kelocli.h"

int main() {
    Dewey* document = new Dewey;
    if (document == nullptr) {
        std::printf("kelodemo: out of memory\n");
        return 1;
    }
    long serverProcess = 0;
    long serverThread = 0;
    document->GetProcessID(&serverProcess, &serverThread);
    if (serverProcess != 0) {
        std::printf("kelodemo: the image server answered (process %ld, main thread %ld)\n",
                    serverProcess, serverThread);
    } else {
        std::printf("kelodemo: no image server is registered; every call answers its default\n");
    }
    delete document;
    return 0;
}
