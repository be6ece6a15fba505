// kest-sim: a registrar on a pseudo-terminal, for the end-to-end tests, the demo and
// the link benchmark.

#include "RecordFile.h"
#include "RegistrarMemory.h"
#include "SessionMemory.h"
#include "SimRegistrar.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace kest::sim;

volatile std::sig_atomic_t g_stop = 0;
extern "C" void onSignal(int)
{
    g_stop = 1;
}

constexpr const char* kUsage =
    "Usage: kest-sim --link page|request --records FILE [--pty PATH] [--pace] [--trace FILE]\n"
    "       kest-sim --session FILE [--pty PATH] [--pace] [--trace FILE] [faults]\n"
    "                [--bad-checksum K] [--reject K] [--silent K] [--drop-byte K] [--noise K]\n"
    "                [--gone-after N] [--reply-delay MS]\n"
    "Emulates a registrar on a pseudo-terminal; PATH becomes a symbolic link to its slave\n"
    "side. The record file format is described in docs/simulator.md. With --session it\n"
    "serves what a recorded read of a real registrar received (a session file of kest).\n";

struct Arguments
{
    SimOptions options;
    std::string records;
    std::string session;
    std::string ptyLink;
};

bool readCount(const std::string& text, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 1'000'000)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool parseArguments(int argc, char** argv, Arguments& args)
{
    bool haveLink = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pace") {
            args.options.pace = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const std::string v = argv[++i];
        FaultSwitches& f = args.options.faults;
        if (a == "--link") {
            if (v != "page" && v != "request")
                return false;
            args.options.link = v == "page" ? LinkKind::Page : LinkKind::Request;
            haveLink = true;
        } else if (a == "--records") {
            args.records = v;
        } else if (a == "--session") {
            args.session = v;
        } else if (a == "--pty") {
            args.ptyLink = v;
        } else if (a == "--trace") {
            args.options.traceFile = v;
        } else if (a == "--bad-checksum" ? !readCount(v, f.badChecksum)
                   : a == "--reject"     ? !readCount(v, f.reject)
                   : a == "--silent"     ? !readCount(v, f.silent)
                   : a == "--drop-byte"  ? !readCount(v, f.dropByte)
                   : a == "--noise"      ? !readCount(v, f.noise)
                   : a == "--gone-after" ? !readCount(v, f.goneAfter)
                   : a == "--reply-delay" ? !readCount(v, args.options.replyDelayMs)
                                         : true) {
            return false;
        }
    }
    // A session brings its own link kind and memory; --link and --records are ignored.
    if (!args.session.empty())
        return true;
    return haveLink && !args.records.empty();
}

/// The master side of a new pseudo-terminal. The slave side is opened once here and
/// kept open, so the line does not hang up between the program's opens, and is put
/// into raw mode at once, so nothing is echoed before the program sets it up.
int openPty(std::string& slaveName, int& slaveFd)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return -1;
    const char* name = ptsname(master);
    if (!name)
        return -1;
    slaveName = name;
    slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slaveFd < 0 || tcgetattr(slaveFd, &tio) != 0)
        return -1;
    cfmakeraw(&tio);
    tcsetattr(slaveFd, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return master;
}

bool linkPty(const std::string& link, const std::string& target)
{
    // Made under a temporary name and renamed, so a waiting test never sees half a link.
    const std::string temporary = link + ".tmp" + std::to_string(getpid());
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
    std::filesystem::create_symlink(target, temporary, ec);
    if (ec)
        return false;
    std::filesystem::rename(temporary, link, ec);
    return !ec;
}

} // namespace

int main(int argc, char** argv)
{
    Arguments args;
    if (!parseArguments(argc, argv, args)) {
        std::cerr << kUsage;
        return 2;
    }
    std::optional<RegistrarMemory> memory;
    std::size_t recordCount = 0;
    std::string error;
    if (!args.session.empty()) {
        const auto session = kest::loadSession(args.session, error);
        if (!session) {
            std::cerr << "kest-sim: " << error << "\n";
            return 1;
        }
        args.options.link = session->pageLink == 1 ? LinkKind::Page : LinkKind::Request;
        memory = memoryOfSession(*session);
        recordCount = static_cast<std::size_t>(session->catalog.count);
    } else {
        std::ifstream in(args.records, std::ios::binary);
        if (!in) {
            std::cerr << "kest-sim: cannot read " << args.records << "\n";
            return 1;
        }
        std::stringstream text;
        text << in.rdbuf();
        const auto records = ParseRecordFile(text.str(), error);
        memory = records ? RegistrarMemory::build(*records, args.options.link, error) : std::nullopt;
        if (!memory) {
            std::cerr << "kest-sim: " << args.records << ": " << error << "\n";
            return 1;
        }
        recordCount = records->size();
    }

    std::string slaveName;
    int slaveFd = -1;
    const int master = openPty(slaveName, slaveFd);
    if (master < 0) {
        std::cerr << "kest-sim: no pseudo-terminal available\n";
        return 1;
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    if (!args.ptyLink.empty() && !linkPty(args.ptyLink, slaveName)) {
        std::cerr << "kest-sim: cannot create the link " << args.ptyLink << "\n";
        return 1;
    }
    std::cout << "kest-sim: " << recordCount << " records on " << slaveName
              << (args.ptyLink.empty() ? "" : " (" + args.ptyLink + ")") << std::endl;

    SimRegistrar registrar(*memory, args.options, master);
    registrar.run(g_stop);

    if (!args.ptyLink.empty()) {
        std::error_code ec;
        std::filesystem::remove(args.ptyLink, ec);
    }
    ::close(slaveFd);
    ::close(master);
    return 0;
}
