#include "grid/ui/HeadlessApplication.h"

#include <QApplication>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kest {

void startHeadlessApplication(bool widgets)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt falls back to this folder anyway but says so on stderr, which the command
    // line keeps for message texts.
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/runtime-" + std::to_string(getuid());
        if (mkdir(runtime.c_str(), 0700) == 0 || errno == EEXIST)
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    static int argc = 1;
    static char name[] = "kest";
    static char* argv[] = {name, nullptr};
    // Either lives until the process ends.
    if (widgets)
        new QApplication(argc, argv);
    else
        new QGuiApplication(argc, argv);
    // libxlsxwriter writes numbers with LC_NUMERIC, which the application may have changed.
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace kest
