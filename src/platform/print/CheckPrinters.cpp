#include "platform/print/CheckPrinters.h"

#include "platform/print/PrinterService.h"
#include "platform/ui/Messages.h"

namespace platform {

bool CheckPrinters()
{
    PrinterService& service = PrinterService::current();
    const QStringList printers = service.printerNames();
    if (printers.isEmpty()) {
        ShowInformation(QStringLiteral("There are no installed printers.\r\nUnable to perform printer related operations"));
        return false;
    }
    const QString defaultPrinter = service.defaultPrinterName();
    if (defaultPrinter.isEmpty() || !printers.contains(defaultPrinter)) {
        ShowInformation(
            QStringLiteral("There is no default printer selected.\r\nUnable to perform printer related operations"));
        return false;
    }
    return true;
}

}  // namespace platform
