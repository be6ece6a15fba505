#include "app/ui/KestApplication.h"

#include "app/ProgramDir.h"
#include "app/ui/DesktopSession.h"
#include "app/ui/HintPause.h"
#include "app/ui/ProgramIcon.h"
#include "app/ui/Tkestform.h"

#include <QApplication>
#include <clocale>
#include <optional>
#include <string>

namespace kest {
namespace {

/// The folder of --home when given.
std::optional<std::filesystem::path> homeOption(int argc, char** argv)
{
    std::optional<std::filesystem::path> home;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--home")
            home = argv[++i];
    }
    return home;
}

} // namespace

int runWindows(int argc, char** argv)
{
    QApplication app(argc, argv);
    // libxlsxwriter writes numbers with LC_NUMERIC; a Russian locale would give "21,5".
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Kest "));
    QApplication::setWindowIcon(programIcon());
    HintPause hints;
    app.installEventFilter(&hints);
    DesktopSession session(resolveProgramDir(homeOption(argc, argv), argv[0]));
    Tkestform window(session);
    window.show();
    return app.exec();
}

} // namespace kest
