#include "app/MenuVisibility.h"

namespace kest {

void MenuVisibility::beforeConnecting()
{
    setonline = false;
    kestread = false;
    setarh = false;
}

void MenuVisibility::afterConnection(bool answered, int status, int records)
{
    if (answered)
        setarh = false;
    if (status != 0) {
        setonline = true;
        return;
    }
    setonline = false;
    kestread = true;
    setarh = records > 0;
}

void MenuVisibility::afterExchangeWindow(int status)
{
    if (status == 0)
        return;
    setonline = true;
    kestread = false;
}

void MenuVisibility::afterRecordTimeRead(bool succeeded)
{
    setonline = !succeeded;
    kestread = succeeded;
    setarh = succeeded;
}

} // namespace kest
