#include "app/HelpTopics.h"

namespace kest {

std::string helpTopicPage(int context)
{
    switch (context) {
    case kHelpProgram:
    case kHelpMenu:
        return "index.html";
    case kHelpConnect:
        return "connect.html";
    case kHelpReading:
        return "reading.html";
    case kHelpPrinting:
    case kHelpReports:
        return "reports.html";
    case kHelpBlanks:
        return "blanks.html";
    case kHelpSettings:
    case kHelpExchange:
        return "exchange-settings.html";
    case kHelpArchives:
        return "archive-settings.html";
    case kHelpEvents:
        return "events.html";
    case kHelpForms:
        return "forms.html";
    case kHelpGaps:
        return "gaps.html";
    default:
        return kHelpContentsPage;
    }
}

} // namespace kest
