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
    /// After a connection attempt (start-up or "Установить связь"): `answered` is
    /// whether a registrar answered the probe, `status` ExchangeStatus, `records` the
    /// catalog's count. Once a registrar answered, the catalog read decides all three
    /// items ("Настройки архивов" only with records and no failure); when none
    /// answered, "Установить связь" is shown and the rest stay as they were.
    void afterConnection(bool answered, int status, int records);
    /// The exchange face closed; a failure left in ExchangeStatus hides "Чтение".
    void afterExchangeWindow(int status);
    /// The archive settings window read a record time while building its list.
    void afterRecordTimeRead(bool succeeded);
};

} // namespace kest
