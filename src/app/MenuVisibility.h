#pragma once

namespace kest {

/// Which of the main menu's changing items are shown: "Установить связь",
/// "Чтение", "Настройки архивов" and "Печать/просмотр архива событий". Every other
/// item is always shown. The exchange and archive settings windows move these
/// flags; the main window shows them.
struct MenuVisibility
{
    bool setonline = true; ///< "Установить связь"
    bool kestread = true;  ///< "&Чтение"
    bool setarh = true;    ///< "Настройки архивов"
    bool eread = true;     ///< "Печать/просмотр архива событий"

    /// Start-up, before connecting: the three registrar items are hidden.
    void beforeConnecting();
    /// After a connection attempt (start-up or "Установить связь"): `status` is
    /// ExchangeStatus, `records` the catalog's count. A failure shows "Установить
    /// связь" and leaves the rest as they were.
    void afterConnection(int status, int records);
    /// The exchange face closed; a failure left in ExchangeStatus hides "Чтение".
    void afterExchangeWindow(int status);
    /// The archive settings window read a record time while building its list.
    void afterRecordTimeRead(bool succeeded);
};

} // namespace kest
