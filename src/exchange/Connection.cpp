#include "exchange/Connection.h"

#include "common/EventPump.h"
#include "common/Prompter.h"
#include "exchange/CatalogReader.h"
#include "link/PortAccess.h"

namespace kest {
namespace {

constexpr int kRequestLinkSpeed = 3; // 2400 baud
constexpr int kPageLinkSpeed = 5;    // 9600 baud

} // namespace

std::string badPortMessage(const std::string& portName)
{
    return "Неверный номер СОМ-порта " + portName;
}

std::string busyPortMessage(const std::string& portName)
{
    return "СОМ-порт " + portName + " занят другой программой";
}

bool EstablishConnection(ExchangeContext& ctx, const std::string& portName)
{
    RegistrarLink& link = ctx.link;
    ctx.pump.processEvents();
    link.ClosePort();
    // DTR follows the PageLink of the previous connection on this first open.
    if (!link.OpenPort(portName, kRequestLinkSpeed)) {
        // A line that another program holds, or one the user may not open, is not a
        // wrong port name; each gets the text that says what to do.
        const bool busy = link.port().openBusy();
        const bool denied = link.port().openDenied();
        ctx.state.ExchangeStatus = kStatusNoAnswer;
        ctx.state.FailureReason = busy || denied ? std::string() : link.port().openError();
        ctx.prompter.showError(busy     ? busyPortMessage(portName)
                               : denied ? deniedPortMessage(portName, portDevicePath(portName))
                                        : badPortMessage(portName));
        link.ClosePort();
    }
    ctx.pump.processEvents();
    if (!link.hasPort())
        return false;

    link.PageLink = 0;
    bool connected = link.ProbeRegistrar();
    if (!connected) {
        link.PageLink = 1;
        link.ClosePort();
        (void)link.OpenPort(portName, kPageLinkSpeed);
        ctx.pump.processEvents();
        // The connection test is a single page read; its contents are not used.
        if (!ctx.state.StopRequested) {
            LinkBuffer page{};
            ctx.state.ExchangeStatus = link.ReadPage(0, page);
        }
        connected = ctx.state.ExchangeStatus == kStatusOk;
    }
    if (!connected) {
        ctx.state.ExchangeStatus = kStatusNoAnswer;
        return false;
    }
    ctx.pump.processEvents();
    ReadCatalogCommand(ctx);
    return true;
}

} // namespace kest
