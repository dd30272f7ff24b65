#include "platform/print/SystemPrinterService.h"

#include "platform/print/PaperSizes.h"
#include "platform/print/PdfOutput.h"
#include "platform/print/PrintSetup.h"
#include "platform/print/PrinterSetupDialog.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace platform {

namespace {

// A job on a system printer, through QPrinter in full-page mode.
class SystemPrinterOutput : public PrinterOutput {
public:
    explicit SystemPrinterOutput(const OutputRequest& request) : request_(request) {}

    bool begin(QPainter& painter, const QSizeF& pageSize) override
    {
        printer_.setPrinterName(request_.printer);
        printer_.setDocName(request_.title);
        printer_.setCopyCount(std::max(request_.copies, 1));
        printer_.setFullPage(true);
        printer_.setPageLayout(FullPageLayout(pageSize));
        if (!printer_.isValid() || !painter.begin(&printer_)) {
            error_ = QStringLiteral("The printer \"%1\" could not be opened.").arg(request_.printer);
            return false;
        }
        return true;
    }

    bool newPage(const QSizeF& pageSize) override
    {
        printer_.setPageLayout(FullPageLayout(pageSize));
        if (!printer_.newPage()) {
            error_ = QStringLiteral("The printer \"%1\" stopped accepting pages.").arg(request_.printer);
            return false;
        }
        return true;
    }

    bool end(QPainter& painter) override
    {
        const bool ended = painter.end();
        if (!ended || printer_.printerState() == QPrinter::Error) {
            error_ = QStringLiteral("The job could not be sent to the printer \"%1\".").arg(request_.printer);
            return false;
        }
        return true;
    }

    void abort(QPainter& painter) override
    {
        printer_.abort();
        if (painter.isActive())
            painter.end();
    }

    QString error() const override { return error_; }
    int pagePasses() const override { return 1; }  // the printer makes the copies

private:
    OutputRequest request_;
    QPrinter printer_{QPrinter::HighResolution};
    QString error_;
};

QMarginsF ToInches(const QMarginsF& margins, QPageLayout::Unit unit)
{
    double perInch = 72.0;
    switch (unit) {
    case QPageLayout::Millimeter: perInch = 25.4; break;
    case QPageLayout::Point: perInch = 72.0; break;
    case QPageLayout::Inch: perInch = 1.0; break;
    case QPageLayout::Pica: perInch = 6.0; break;
    case QPageLayout::Didot: perInch = 67.54; break;
    case QPageLayout::Cicero: perInch = 5.628; break;
    }
    return QMarginsF(margins.left() / perInch, margins.top() / perInch, margins.right() / perInch,
                     margins.bottom() / perInch);
}

}  // namespace

PrinterInfo SystemPrinterService::pdfPrinterInfo()
{
    PrinterInfo info;
    info.name = kPdfPrinterName;
    info.pdf = true;
    info.papers = StandardPapers();
    info.customPapers = true;
    info.defaultPaper = 0;  // Letter
    info.bins = QStringList{QStringLiteral("Automatic")};
    return info;
}

void SystemPrinterService::load()
{
    if (systemNames_)
        return;
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.removeAll(kPdfPrinterName);
    systemNames_ = names;
    systemDefault_ = QPrinterInfo::defaultPrinterName();
}

void SystemPrinterService::refresh()
{
    systemNames_.reset();
    infos_.clear();
    margins_.clear();
}

QStringList SystemPrinterService::printerNames()
{
    load();
    QStringList names = *systemNames_;
    names.append(kPdfPrinterName);
    return names;
}

QString SystemPrinterService::defaultPrinterName()
{
    load();
    if (!systemDefault_.isEmpty() && systemNames_->contains(systemDefault_))
        return systemDefault_;
    return kPdfPrinterName;
}

PrinterInfo SystemPrinterService::printerInfo(const QString& name)
{
    if (name == kPdfPrinterName)
        return pdfPrinterInfo();
    const auto cached = infos_.constFind(name);
    if (cached != infos_.constEnd())
        return cached.value();

    const QPrinterInfo system = QPrinterInfo::printerInfo(name);
    PrinterInfo info;
    info.name = name;
    const QPageSize defaultSize = system.defaultPageSize();
    for (const QPageSize& size : system.supportedPageSizes()) {
        if (size.isEquivalentTo(defaultSize))
            info.defaultPaper = static_cast<int>(info.papers.size());
        info.papers.push_back(PaperFromPageSize(size));
    }
    if (info.papers.empty())
        info.papers.push_back(*StandardPaper(1));
    info.customPapers = system.supportsCustomPageSizes();
    // Qt reports paper sources only on Windows; elsewhere the driver picks the
    // tray, which is what "Automatic" stands for.
    info.bins = QStringList{QStringLiteral("Automatic")};
    info.margins = unprintableMargins(name, info.papers[static_cast<std::size_t>(info.defaultPaper)],
                                      Orientation::Portrait);
    infos_.insert(name, info);
    return info;
}

QMarginsF SystemPrinterService::unprintableMargins(const QString& printer, const PaperInfo& paper,
                                                   Orientation orientation)
{
    if (printer == kPdfPrinterName)
        return {};
    const QString key = printer + QLatin1Char('|') + QString::number(paper.size.width()) + QLatin1Char('x')
        + QString::number(paper.size.height()) + (orientation == Orientation::Landscape ? QLatin1String("L")
                                                                                         : QLatin1String("P"));
    const auto cached = margins_.constFind(key);
    if (cached != margins_.constEnd())
        return cached.value();
    QPrinter qprinter(QPrinter::HighResolution);
    qprinter.setPrinterName(printer);
    qprinter.setPageSize(QPageSize(paper.size, QPageSize::Inch));
    qprinter.setPageOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                       : QPageLayout::Portrait);
    const QPageLayout layout = qprinter.pageLayout();
    QMarginsF margins = ToInches(layout.minimumMargins(), layout.units());
    if (orientation == Orientation::Landscape && layout.orientation() != QPageLayout::Landscape)
        margins = QMarginsF(margins.top(), margins.right(), margins.bottom(), margins.left());
    margins_.insert(key, margins);
    return margins;
}

std::unique_ptr<PrinterOutput> SystemPrinterService::openOutput(const OutputRequest& request, bool& cancelled,
                                                                QString& error)
{
    cancelled = false;
    if (request.printer == kPdfPrinterName)
        return AskPdfOutput(request, cancelled);
    load();
    if (!systemNames_->contains(request.printer)) {
        error = QStringLiteral("The printer \"%1\" is not installed.").arg(request.printer);
        return nullptr;
    }
    return std::make_unique<SystemPrinterOutput>(request);
}

bool SystemPrinterService::runSetupDialog(PrintSetup& setup, int* copies, QWidget* parent)
{
    PrinterSetupDialog dialog(setup, copies != nullptr, parent);
    if (copies)
        dialog.setCopies(*copies);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply();
    if (copies)
        *copies = dialog.copies();
    return true;
}

}  // namespace platform
