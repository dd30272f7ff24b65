#pragma once
// Shared by the print tests: a printer world of the test's own (a scripted
// printer service with the built-in "PDF file" printer as the default, a
// scripted user, a fresh program folder and a printer selection of its own),
// and the poppler tools that read a PDF back.
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "platform/print/PrintSetup.h"
#include "platform/print/ScriptedPrinterService.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "TempProgramDir.h"

class PrintWorld {
public:
    PrintWorld()
    {
        printers_.addPdfPrinter();
        printers_.setDefaultPrinter(platform::kPdfPrinterName);
        platform::PrinterService::setCurrent(&printers_);
    }
    ~PrintWorld() { platform::PrinterService::setCurrent(nullptr); }
    PrintWorld(const PrintWorld&) = delete;
    PrintWorld& operator=(const PrintWorld&) = delete;

    platform::ScriptedPrinterService& printers() { return printers_; }
    platform::ScriptedUserInterface& user() { return user_; }
    platform::PrintSetup& setup() { return setup_; }
    QString path(const QString& name) const { return home_.path() + name; }

private:
    TempProgramDir home_;
    platform::ScriptedPrinterService printers_;
    platform::ScriptedUserInterface user_;
    platform::PrintSetup setup_;
};

// Runs a poppler tool and gives its standard output; fails the test when
// the tool does not run or reports an error.
inline QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline QString PdfText(const QString& pdf)
{
    return RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

inline int PdfPageCount(const QString& pdf)
{
    const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// "612 x 792" for a Letter page, from pdfinfo's "Page size" of page `page`.
inline QString PdfPageSize(const QString& pdf, int page = 1)
{
    const QString info = RunTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QString::number(page),
                                                             QStringLiteral("-l"), QString::number(page), pdf});
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Page\\s+%1 size:\\s+([\\d.]+) x ([\\d.]+) pts").arg(page)).match(info);
    return match.hasMatch() ? match.captured(1) + QStringLiteral(" x ") + match.captured(2) : info;
}
