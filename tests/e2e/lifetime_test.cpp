// When processes end: the server after its last document, after its host died, and a client
// whose server was killed. Each process-ending case runs its client in a process of its own
// (e2e_client): under Wine a client process cannot create the class again after its server died.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

namespace {

using e2e::Files;

// A running e2e_client with its standard output on a pipe.
class Client {
  public:
    Client(const char* mode, const std::string& file) {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command = self;
        command.resize(command.find_last_of('\\') + 1);
        command = "\"" + command + "e2e_client.exe\" " + mode + " \"" + file + "\"";
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

// Stops the RPC service, which COM starts again on its next use.
bool StopRpcService() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return false;
    SC_HANDLE service = OpenServiceW(manager, L"RpcSs", SERVICE_STOP | SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    bool stopped = false;
    if (service != nullptr && ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        for (int i = 0; i < 100 && !stopped; ++i) {
            stopped =
                QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED;
            if (!stopped) Sleep(50);
        }
    }
    if (service != nullptr) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return stopped;
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
    EXPECT_TRUE(StopRpcService());
}

}  // namespace
