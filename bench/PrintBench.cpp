// Speed and memory of the print path on the largest job the program makes:
// 10,000 four-line address labels, 30 to a Letter sheet (334 pages), each
// with a POSTNET row of 62 small filled rectangles.
//
// Targets (this machine class: 2 shared cores, RelWithDebInfo):
//   BM_RecordLabelJob        recording the 334 pages          <= 1 s
//   BM_WriteLabelJobToPdf/334 writing them to a PDF file       <= 3 s
//   memory while writing: flat in the number of pages beyond the stream
//   itself — the peak-RSS growth of /334 stays near that of /34.
// Counters: pages, stream_MB (the recorded stream), bytes_per_label,
// pdf_MB, peak_rss_growth_MB (resident memory added while writing).
//
// Links: qp_platform (Qt Gui, PrintSupport), benchmark::benchmark.
#include "platform/print/PageStream.h"
#include "platform/print/PdfOutput.h"
#include "platform/print/PrintSetup.h"
#include "platform/print/ReportCanvas.h"
#include "platform/print/ScriptedPrinterService.h"
#include "platform/print/StreamPrinter.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <string>

using namespace platform;

namespace {

constexpr int kAcross = 3;
constexpr int kDown = 10;

// The label printing loop: positions across and
// down the sheet, a new page when the sheet is used up, four clipped address
// lines in Arial 10 and the POSTNET bars of the delivery-point code.
void PrintLabels(ReportCanvas& c, int labels)
{
    c.setBrush(Qt::black, BrushStyle::Clear);
    c.setPen(Qt::black, PenStyle::Solid, PenWidth::Hundredths(1));
    const double lineHeight = 10.0 / 60;
    int column = -1;
    int row = 0;
    for (int label = 0; label < labels && !c.aborted(); ++label) {
        if (column + 2 <= kAcross) {
            ++column;
        } else {
            column = 0;
            if (++row + 1 > kDown) {
                c.newPage();
                row = 0;
            }
        }
        const double x = column * 2.75 + 0.19;
        const double y = row * 1.0 + 0.5;
        const QString lines[4] = {
            QStringLiteral("Mr. John Q. Sample %1").arg(label),
            QStringLiteral("%1 Main Street Apt %2").arg(100 + label % 900).arg(label % 40),
            QStringLiteral("Suite %1, Building B").arg(label % 500),
            QStringLiteral("Springfield, IL 62701-%1").arg(1000 + label % 9000),
        };
        c.setFont(ReportFont{QStringLiteral("Arial"), 10});
        for (int k = 0; k < 4; ++k) {
            const double top = y + 0.05 + k * lineHeight;
            c.textRect(QRectF(QPointF(x + 0.1, top), QPointF(x + 2.6, top + lineHeight)), x + 0.1, top, lines[k]);
        }
        c.setPen(Qt::black, PenStyle::Solid, PenWidth::DevicePixels(1));
        c.setBrush(Qt::black, BrushStyle::Solid);
        double bar = x + 0.1;
        const double y0 = y + 0.8;
        for (int n = 0; n < 62; ++n) {
            const bool full = n == 0 || n == 61 || (n * 7 + label) % 5 < 2;
            c.rectangle(bar, full ? y0 : y0 + 0.070, bar + 0.015, y0 + 0.125);
            bar += 0.046;
        }
    }
}

std::shared_ptr<PageStream> RecordLabels(int labels)
{
    ReportCanvas canvas;
    canvas.setOutput(JobOutput::Stream);
    canvas.setOnPrint([labels](ReportCanvas& c) { PrintLabels(c, labels); });
    if (canvas.execute() != JobOutcome::Completed)
        return nullptr;
    return canvas.takeStream();
}

// Resident and peak resident memory of the process, in kB.
long StatusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string name;
    long value = 0;
    while (status >> name) {
        if (name == key) {
            status >> value;
            return value;
        }
        std::getline(status, name);
    }
    return 0;
}

void ResetPeakRss()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_RecordLabelJob(benchmark::State& state)
{
    const int labels = static_cast<int>(state.range(0));
    std::shared_ptr<PageStream> stream;
    for (auto _ : state) {
        stream = RecordLabels(labels);
        benchmark::DoNotOptimize(stream.get());
    }
    if (!stream) {
        state.SkipWithError("the job failed");
        return;
    }
    state.counters["pages"] = stream->pageCount();
    state.counters["stream_MB"] = double(stream->memoryBytes()) / (1024 * 1024);
    state.counters["bytes_per_label"] = double(stream->memoryBytes()) / labels;
}
BENCHMARK(BM_RecordLabelJob)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WriteLabelJobToPdf(benchmark::State& state)
{
    const int pages = static_cast<int>(state.range(0));
    const std::shared_ptr<PageStream> stream = RecordLabels(pages * kAcross * kDown);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("labels.pdf"));
    long growth = 0;
    for (auto _ : state) {
        ResetPeakRss();
        const long before = StatusKb("VmRSS:");
        PdfOutput output(path, QStringLiteral("Quillpost"), 1);
        QString error;
        if (StreamPrinter::print(*stream, output, nullptr, error) != JobOutcome::Completed) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        growth = std::max(growth, StatusKb("VmHWM:") - before);
    }
    state.counters["pages"] = stream->pageCount();
    state.counters["pdf_MB"] = double(QFileInfo(path).size()) / (1024 * 1024);
    state.counters["peak_rss_growth_MB"] = double(growth) / 1024;
}
BENCHMARK(BM_WriteLabelJobToPdf)->Arg(34)->Arg(334)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The built-in PDF printer only: no system printer is asked.
    ScriptedPrinterService printers;
    printers.addPdfPrinter();
    printers.setDefaultPrinter(kPdfPrinterName);
    PrinterService::setCurrent(&printers);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrinterService::setCurrent(nullptr);
    return 0;
}
