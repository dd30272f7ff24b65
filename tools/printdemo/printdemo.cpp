// printdemo: runs the printer test page job (PrintDemo.h) so that a person
// can look at what the print path makes of it.
//
//   printdemo --pdf FILE       write the job to a PDF file
//   printdemo --preview        show the job in the print preview window
//   printdemo --snapshot FILE  save a picture of the preview window (PNG)
//   printdemo --printer NAME   print it on an installed printer
//   printdemo --list           list the installed printers
//
// Options may be combined; with none, --preview is assumed.
#include "platform/print/PdfOutput.h"
#include "platform/print/PrintDemo.h"
#include "platform/print/PrintSetup.h"
#include "platform/print/ReportCanvas.h"
#include "platform/print/StreamPrinter.h"
#include "reports/qpprevue.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

using namespace platform;

namespace {

// Records the demo job; null (with a message) when it fails.
std::shared_ptr<PageStream> Record()
{
    ReportCanvas canvas;
    SetUpDemoJob(canvas);
    canvas.setOutput(JobOutput::Stream);
    if (canvas.execute() != JobOutcome::Completed) {
        QTextStream(stderr) << "printdemo: the job failed: " << canvas.errorText() << '\n';
        return nullptr;
    }
    return canvas.takeStream();
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the Quillpost printer test page."));
    parser.addHelpOption();
    const QCommandLineOption pdf(QStringLiteral("pdf"), QStringLiteral("Write the job to <file>."), QStringLiteral("file"));
    const QCommandLineOption preview(QStringLiteral("preview"), QStringLiteral("Show the job in the preview window."));
    const QCommandLineOption printer(QStringLiteral("printer"), QStringLiteral("Print on <name>."), QStringLiteral("name"));
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("List the installed printers."));
    const QCommandLineOption snapshot(QStringLiteral("snapshot"), QStringLiteral("Save a picture of the preview to <file>."),
                                      QStringLiteral("file"));
    parser.addOptions({pdf, preview, printer, list, snapshot});
    parser.process(app);

    QTextStream out(stdout);
    if (parser.isSet(list)) {
        PrintSetup& setup = PrintSetup::shared();
        for (const QString& name : setup.printers())
            out << (name == setup.printerName() ? "* " : "  ") << name << '\n';
    }
    int status = 0;
    if (parser.isSet(pdf)) {
        const std::shared_ptr<PageStream> stream = Record();
        if (!stream)
            return 1;
        PdfOutput output(parser.value(pdf), QStringLiteral("Quillpost printer test page"), 1);
        QString error;
        if (StreamPrinter::print(*stream, output, nullptr, error) != JobOutcome::Completed) {
            QTextStream(stderr) << "printdemo: " << error << '\n';
            status = 1;
        } else {
            out << "printdemo: " << stream->pageCount() << " pages written to " << parser.value(pdf) << '\n';
        }
    }
    if (parser.isSet(printer)) {
        if (!PrintSetup::shared().selectPrinter(parser.value(printer))) {
            QTextStream(stderr) << "printdemo: no printer named " << parser.value(printer) << '\n';
            return 1;
        }
        ReportCanvas canvas;
        SetUpDemoJob(canvas);
        canvas.setOutput(JobOutput::Printer);
        const JobOutcome outcome = canvas.execute();
        if (outcome != JobOutcome::Completed) {
            QTextStream(stderr) << "printdemo: "
                                << (outcome == JobOutcome::Aborted ? QStringLiteral("cancelled") : canvas.errorText())
                                << '\n';
            status = 1;
        }
    }
    const bool nothingElse =
        !parser.isSet(pdf) && !parser.isSet(printer) && !parser.isSet(list) && !parser.isSet(snapshot);
    if (parser.isSet(preview) || parser.isSet(snapshot) || nothingElse) {
        const std::shared_ptr<PageStream> stream = Record();
        if (!stream)
            return 1;
        TPreviewForm form(stream);
        form.setInitialZoom(1);
        if (parser.isSet(snapshot)) {
            form.show();
            QApplication::processEvents();
            if (!form.grab().save(parser.value(snapshot))) {
                QTextStream(stderr) << "printdemo: cannot write " << parser.value(snapshot) << '\n';
                status = 1;
            }
            form.close();
        } else {
            form.exec();
        }
    }
    return status;
}
