#include "app/CommandLine.h"
#include "session/SessionFolder.h"

#include <cstdio>
#include <ostream>

namespace kest {
namespace {

std::string sizeText(std::uintmax_t bytes)
{
    char text[32];
    if (bytes >= 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    else
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024.0);
    return text;
}

} // namespace

// One line per session file, oldest first, tab-separated: start of the read, link,
// records, stored or not, size, file, controllers.
int CommandSessions(CommandContext& ctx)
{
    const auto list = listSessions(ctx.settings.DatabasePath);
    if (list.empty()) {
        ctx.out << "Файлов сеансов нет в " << sessionFolder(ctx.settings.DatabasePath).string() << "\n";
        return kExitOk;
    }
    ctx.out << "Начало чтения\tСвязь\tЗаписей\tВ базе\tРазмер\tФайл\tМЕРАНы\n";
    for (const SessionListing& s : list) {
        if (!s.summary) {
            ctx.out << "-\t-\t-\t" << (s.stored ? "да" : "нет") << "\t" << sizeText(s.size) << "\t"
                    << s.file.string() << "\tповрежден: " << s.error << "\n";
            continue;
        }
        ctx.out << s.summary->started << "\t" << (s.summary->pageLink == 1 ? "страничная" : "запросная")
                << "\t" << s.summary->records << "\t" << (s.stored ? "да" : "нет") << "\t" << sizeText(s.size)
                << "\t" << s.file.string() << "\t" << s.summary->controllers << "\n";
    }
    return kExitOk;
}

} // namespace kest
