#pragma once

// kest-sim beside the bench folder, serving the given records on a pseudo-terminal
// in a folder of its own, for the benchmarks that talk to a registrar.

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kest::bench {

class BenchSimulator
{
public:
    /// `args` go to kest-sim after its records and its pty ("--link", "page", ...).
    BenchSimulator(const std::string& records, const std::vector<std::string>& args)
    {
        namespace fs = std::filesystem;
        char pattern[] = "/tmp/kest-bench-XXXXXX";
        m_dir = mkdtemp(pattern);
        std::ofstream(m_dir / "records.txt") << records;
        const fs::path sim = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kest-sim";
        std::vector<std::string> argv = {sim.string(), "--records", (m_dir / "records.txt").string(), "--pty",
                                         device()};
        argv.insert(argv.end(), args.begin(), args.end());
        m_pid = fork();
        if (m_pid == 0) {
            std::vector<char*> raw;
            for (auto& a : argv)
                raw.push_back(a.data());
            raw.push_back(nullptr);
            const int null = ::open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            execv(raw[0], raw.data());
            _exit(127);
        }
        for (int i = 0; i < 2500 && !fs::exists(device()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~BenchSimulator()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    BenchSimulator(const BenchSimulator&) = delete;
    BenchSimulator& operator=(const BenchSimulator&) = delete;

    std::string device() const { return (m_dir / "tty").string(); }
    const std::filesystem::path& dir() const { return m_dir; }

private:
    std::filesystem::path m_dir;
    pid_t m_pid = -1;
};

} // namespace kest::bench
