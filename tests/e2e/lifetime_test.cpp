// When processes end: the server after its last document, after its host died (also in the middle
// of a call), many clients coming and going around the server's linger time, and a client whose
// server was killed, once in detail and at fifty points of a session. The clients run in processes
// of their own (e2e_client): under Wine a killed server's class stays unusable until the RPC
// service restarts.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "rpc_service.h"
#include "unique_resource.h"

namespace {

using e2e::Files;

std::string Beside(const char* name);

// A running e2e_client with its standard output on a pipe.
class Client {
  public:
    Client(const char* mode, const std::string& file, const std::string& more = "") {
        std::string command =
            "\"" + Beside("e2e_client.exe") + "\" " + mode + " \"" + file + "\" " + more;
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE write = nullptr;
        CreatePipe(&output_, &write, &inherit, 0);
        SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = write;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION info = {};
        started_ = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &info) != FALSE;
        CloseHandle(write);
        if (started_) {
            process_ = info.hProcess;
            CloseHandle(info.hThread);
        }
    }
    ~Client() {
        if (process_ != nullptr) {
            TerminateProcess(process_, 1);
            CloseHandle(process_);
        }
        CloseHandle(output_);
    }
    bool Started() const { return started_; }
    HANDLE Process() const { return process_; }
    // Reads until a newline or the end of the output.
    std::string Line() {
        std::string line;
        char c;
        DWORD read = 0;
        while (ReadFile(output_, &c, 1, &read, nullptr) && read == 1 && c != '\n') line += c;
        return line;
    }
    std::string Rest() {
        std::string text;
        char buffer[256];
        DWORD read = 0;
        while (ReadFile(output_, buffer, sizeof buffer, &read, nullptr) && read != 0)
            text.append(buffer, read);
        return text;
    }

  private:
    bool started_ = false;
    HANDLE process_ = nullptr;
    HANDLE output_ = nullptr;
};

// A file beside this program.
std::string Beside(const char* name) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.resize(path.find_last_of('\\') + 1);
    return path + name;
}

TEST(Lifetime, TheServerEndsAfterItsLastDocument) {
    e2e::DocumentPtr document = e2e::OpenDocument(Files().Path("bmp24.bmp"));
    const DWORD server = e2e::ServerProcessOf(*document);
    ASSERT_NE(0u, server);
    document.reset();
    EXPECT_TRUE(e2e::WaitForProcessEnd(server, 10000));
}

TEST(Lifetime, AHostThatDiesLeavesNoServerBehind) {
    Client client("host", Files().Path("page.txt"));
    ASSERT_TRUE(client.Started());
    const std::string line = client.Line();
    ASSERT_EQ(0u, line.rfind("server ", 0)) << line;
    const DWORD server = static_cast<DWORD>(std::stoul(line.substr(7)));
    ASSERT_NE(0u, server);
    EXPECT_FALSE(e2e::WaitForProcessEnd(server, 200));
    TerminateProcess(client.Process(), 1);
    EXPECT_TRUE(e2e::WaitForProcessEnd(server, 10000));
}

TEST(Lifetime, AKilledServerLeavesEveryCallAnsweringItsDefault) {
    Client client("kill", Files().Path("png8.png"));
    ASSERT_TRUE(client.Started());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client.Process(), 60000));
    DWORD code = 99;
    GetExitCodeProcess(client.Process(), &code);
    EXPECT_EQ(0u, code) << client.Rest();
    // Wine's RPC service keeps the dead server's class registration: until it restarts, no client
    // process can create the class. Restart it so that the session serves later tests.
    EXPECT_TRUE(e2e::StopRpcService());
}

TEST(Lifetime, AHostKilledInTheMiddleOfACallLeavesNoServerWithinTwoSeconds) {
    ASSERT_TRUE(e2e::WaitForNoServer(5000));
    Client client("busy", Files().Path("bmp24.bmp"));
    ASSERT_TRUE(client.Started());
    const std::string line = client.Line();
    ASSERT_EQ(0u, line.rfind("server ", 0)) << line;
    const DWORD server = static_cast<DWORD>(std::stoul(line.substr(7)));
    Sleep(500);  // resampling 6000 x 6000 pixels meanwhile
    TerminateProcess(client.Process(), 1);
    EXPECT_TRUE(e2e::WaitForProcessEnd(server, 2000));
}

// Clients creating, using and deleting documents, and pausing together: every client is idle at
// once, the server lingers and ends, and the clients come back around that moment.
TEST(Lifetime, ClientsComingAndGoingAroundTheLingerTimeAlwaysFindOneServer) {
    for (int clients : {2, 4}) {
        ASSERT_TRUE(e2e::WaitForNoServer(5000));
        const std::string barrier = "KelocliStressBarrier" + std::to_string(clients);
        const kelocli::UniqueHandle meeting(CreateFileMappingA(
            INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, barrier.c_str()));
        std::vector<std::unique_ptr<Client>> running;
        for (int i = 0; i < clients; ++i) {
            running.push_back(std::make_unique<Client>(
                "cycles", Files().Path("bmp24.bmp"),
                "500 " + std::to_string(100 + i) + " " + std::to_string(clients) + " " + barrier));
            ASSERT_TRUE(running.back()->Started());
        }
        std::size_t mostServing = 0;
        std::size_t mostProcesses = 0;
        const DWORD start = GetTickCount();
        bool done = false;
        while (!done && GetTickCount() - start < 120000) {
            mostServing = std::max(mostServing, e2e::ServingServers().size());
            mostProcesses = std::max(mostProcesses, e2e::ServerProcesses().size());
            done = std::all_of(running.begin(), running.end(), [](const auto& client) {
                return WaitForSingleObject(client->Process(), 0) == WAIT_OBJECT_0;
            });
            Sleep(20);
        }
        ASSERT_TRUE(done);
        for (const auto& client : running) {
            DWORD code = 99;
            GetExitCodeProcess(client->Process(), &code);
            const std::string report = client->Rest();
            EXPECT_EQ(0u, code) << report;
            const std::size_t slowest = report.rfind("slowest ");
            ASSERT_NE(std::string::npos, slowest) << report;
            EXPECT_LE(std::stoul(report.substr(slowest + 8)), 5000u) << report;
            std::printf("%d clients: %s", clients, report.c_str());
        }
        std::printf("%d clients: at most %zu serving server, %zu server processes at once\n",
                    clients, mostServing, mostProcesses);
        EXPECT_EQ(1u, mostServing);
        EXPECT_TRUE(e2e::WaitForNoServer(5000));
    }
}

TEST(Lifetime, AServerKilledAtFiftyPointsOfASessionLeavesNoCallWaiting) {
    ASSERT_TRUE(e2e::WaitForNoServer(5000));
    Client client("kills", Files().Path("bmp24.bmp"), "50 7 \"" + Beside("pimbaxsrv.exe") + "\"");
    ASSERT_TRUE(client.Started());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client.Process(), 120000));
    DWORD code = 99;
    GetExitCodeProcess(client.Process(), &code);
    const std::string report = client.Rest();
    std::printf("%s", report.c_str());
    EXPECT_EQ(0u, code) << report;
}

}  // namespace
