#include "link/SimProcess.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kest::test {

SimProcess::SimProcess(const std::string& link,
                       const std::string& records,
                       const std::vector<std::string>& extra)
{
    writeFile(m_dir / "records.txt", records);
    std::vector<std::string> args = {KEST_SIM_BIN,
                                     "--link",
                                     link,
                                     "--records",
                                     (m_dir / "records.txt").string(),
                                     "--pty",
                                     device(),
                                     "--trace",
                                     (m_dir / "trace").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    m_pid = fork();
    if (m_pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists(device())) {
            m_ready = true;
            break;
        }
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

SimProcess::~SimProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
}

std::vector<std::string> SimProcess::trace() const
{
    std::vector<std::string> lines;
    std::istringstream in(readFile(m_dir / "trace"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string plainRecords(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i) {
        char controller[16];
        std::snprintf(controller, sizeof controller, "%04X", 0x0100 + i);
        text += "record\ncontroller " + std::string(controller) + "\ntime " +
                std::to_string(1 + (i - 1) % 28) + ".01.2026 10:" + std::to_string(10 + i) + "\n";
    }
    return text;
}

} // namespace kest::test
