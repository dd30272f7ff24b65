#include "platform/print/PrintSetup.h"

#include "platform/print/PaperSizes.h"

namespace platform {

namespace {

int IndexOfName(const QStringList& names, const QString& name)
{
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

}  // namespace

PrintSetup& PrintSetup::shared()
{
    static PrintSetup setup;
    return setup;
}

void PrintSetup::ensure() const
{
    PrinterService& service = PrinterService::current();
    const QStringList names = service.printerNames();
    if (chosen_ && names.contains(printer_))
        return;
    chosen_ = false;
    printer_.clear();
    info_ = PrinterInfo{};
    paper_ = *StandardPaper(1);
    bin_.clear();
    if (names.isEmpty())
        return;
    const QString fallback = service.defaultPrinterName();
    choose(names.contains(fallback) ? fallback : names.first());
    if (!info_.papers.empty())
        paper_ = info_.papers[static_cast<std::size_t>(info_.defaultPaper)];
    orientation_ = info_.defaultOrientation;
}

void PrintSetup::choose(const QString& name) const
{
    const PaperInfo previous = paper_;
    const bool hadPrinter = chosen_;
    printer_ = name;
    info_ = PrinterService::current().printerInfo(name);
    chosen_ = true;
    bin_ = info_.bins.isEmpty() ? QString() : info_.bins[info_.defaultBin];

    // Keep the paper when the new printer has it.
    if (hadPrinter) {
        for (const PaperInfo& paper : info_.papers) {
            if ((previous.code != 0 && paper.code == previous.code) || paper.name == previous.name) {
                paper_ = paper;
                return;
            }
        }
        if (previous.code == 0 && info_.customPapers) {
            paper_ = previous;
            return;
        }
    }
    paper_ = info_.papers.empty() ? *StandardPaper(1) : info_.papers[static_cast<std::size_t>(info_.defaultPaper)];
}

QStringList PrintSetup::printers() const
{
    return PrinterService::current().printerNames();
}

QString PrintSetup::printerName() const
{
    ensure();
    return printer_;
}

int PrintSetup::printerIndex() const
{
    ensure();
    return chosen_ ? static_cast<int>(printers().indexOf(printer_)) : -1;
}

bool PrintSetup::setPrinterIndex(int index)
{
    const QStringList names = printers();
    if (index < 0 || index >= names.size())
        return false;
    ensure();
    choose(names[index]);
    return true;
}

bool PrintSetup::selectPrinter(const QString& name)
{
    const QStringList names = printers();
    const int index = IndexOfName(names, name);
    if (index < 0)
        return false;
    ensure();
    choose(names[index]);
    return true;
}

bool PrintSetup::selectDefaultPrinter()
{
    const QString name = PrinterService::current().defaultPrinterName();
    return !name.isEmpty() && selectPrinter(name);
}

void PrintSetup::release()
{
    chosen_ = false;
    printer_.clear();
    orientation_ = Orientation::Portrait;
}

bool PrintSetup::isPdfPrinter() const
{
    ensure();
    return chosen_ && info_.pdf;
}

std::vector<PaperInfo> PrintSetup::papers() const
{
    ensure();
    return info_.papers;
}

QStringList PrintSetup::paperNames() const
{
    QStringList names;
    for (const PaperInfo& paper : papers())
        names.append(paper.name);
    return names;
}

PaperInfo PrintSetup::paper() const
{
    ensure();
    return paper_;
}

QString PrintSetup::paperName() const
{
    return paper().name;
}

int PrintSetup::paperCode() const
{
    return paper().code;
}

bool PrintSetup::selectPaper(const QString& name)
{
    ensure();
    for (const PaperInfo& paper : info_.papers) {
        if (paper.name.compare(name, Qt::CaseInsensitive) == 0) {
            paper_ = paper;
            return true;
        }
    }
    return false;
}

bool PrintSetup::selectPaperCode(int code)
{
    ensure();
    for (const PaperInfo& paper : info_.papers) {
        if (code != 0 && paper.code == code) {
            paper_ = paper;
            return true;
        }
    }
    return false;
}

bool PrintSetup::setCustomPaper(double width, double height)
{
    ensure();
    if (!chosen_ || !info_.customPapers || !(width > 0) || !(height > 0))
        return false;
    paper_ = CustomPaper(width, height);
    return true;
}

QStringList PrintSetup::bins() const
{
    ensure();
    return info_.bins;
}

QString PrintSetup::binName() const
{
    ensure();
    return bin_;
}

bool PrintSetup::selectBin(const QString& name)
{
    ensure();
    const int index = IndexOfName(info_.bins, name);
    if (index < 0)
        return false;
    bin_ = info_.bins[index];
    return true;
}

Orientation PrintSetup::orientation() const
{
    ensure();
    return orientation_;
}

void PrintSetup::setOrientation(Orientation orientation)
{
    ensure();
    orientation_ = orientation;
}

QSizeF PrintSetup::pageSize() const
{
    ensure();
    return orientation_ == Orientation::Landscape ? paper_.size.transposed() : paper_.size;
}

QMarginsF PrintSetup::unprintableMargins() const
{
    ensure();
    if (!chosen_)
        return {};
    return PrinterService::current().unprintableMargins(printer_, paper_, orientation_);
}

bool PrintSetup::showSetupDialog(QWidget* parent)
{
    ensure();
    return PrinterService::current().runSetupDialog(*this, nullptr, parent);
}

bool PrintSetup::showPrintDialog(int& copies, QWidget* parent)
{
    ensure();
    return PrinterService::current().runSetupDialog(*this, &copies, parent);
}

}  // namespace platform
