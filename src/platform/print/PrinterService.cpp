#include "platform/print/PrinterService.h"

#include "platform/print/SystemPrinterService.h"

namespace platform {

namespace {

PrinterService* g_installed = nullptr;

}  // namespace

PrinterService& PrinterService::current()
{
    if (g_installed)
        return *g_installed;
    static SystemPrinterService real;
    return real;
}

void PrinterService::setCurrent(PrinterService* service)
{
    g_installed = service;
}

}  // namespace platform
