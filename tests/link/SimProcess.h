#pragma once

#include "TestSupport.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace kest::test {

/// kest-sim started as a child process on a pty linked at dir/tty, with its request
/// trace in dir/trace; stopped when the object goes away.
class SimProcess
{
public:
    /// Writes `records` to a file and starts the simulator with `link` and `extra`
    /// arguments; waits up to five seconds for the pty link to appear.
    SimProcess(const std::string& link,
               const std::string& records,
               const std::vector<std::string>& extra = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ready() const { return m_ready; }
    std::string device() const { return (m_dir / "tty").string(); }
    /// The requests served so far, one per line.
    std::vector<std::string> trace() const;
    const TempDir& dir() const { return m_dir; }
    pid_t pid() const { return m_pid; }

private:
    TempDir m_dir;
    pid_t m_pid = -1;
    bool m_ready = false;
};

/// A record file of `count` records for controllers 0x0101, 0x0102, ... with valid
/// time stamps and no archives.
std::string plainRecords(int count);

} // namespace kest::test
