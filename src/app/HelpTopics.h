#pragma once

#include <string>

namespace kest {

/// Help context numbers of the menu items and windows.
inline constexpr int kHelpProgram = 10;  ///< "Справка по программе Кест"
inline constexpr int kHelpConnect = 12;  ///< "Установить связь"
inline constexpr int kHelpReading = 13;  ///< "Чтение" and the exchange face
inline constexpr int kHelpPrinting = 15; ///< "Печать"
inline constexpr int kHelpBlanks = 16;   ///< the blank editor
inline constexpr int kHelpReports = 18;  ///< the report window
inline constexpr int kHelpSettings = 19; ///< "Настройки"
inline constexpr int kHelpExchange = 20; ///< the exchange settings
inline constexpr int kHelpArchives = 21; ///< the archive settings
inline constexpr int kHelpMenu = 22;     ///< "?"
inline constexpr int kHelpEvents = 30;   ///< the event archive
inline constexpr int kHelpForms = 31;    ///< the standard forms
inline constexpr int kHelpGaps = 32;     ///< the completeness of the archive

/// The page of the help contents.
inline constexpr const char* kHelpContentsPage = "contents.html";

/// The help page of a help context; the contents page for a context without one.
std::string helpTopicPage(int context);

} // namespace kest
