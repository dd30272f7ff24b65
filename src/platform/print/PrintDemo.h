#pragma once
// PrintDemo: a two-page test job for people to look at: a page of text with
// a table in tab columns (box lines, shading, left, centred and right
// columns), and a page of shapes, pen widths and styles, rotated text and a
// bitmap. It is the printer test page of the program and the reference job
// of the print tool (tools/printdemo). Sets the canvas's handlers and
// title; run it with execute().
namespace platform {

class ReportCanvas;

void SetUpDemoJob(ReportCanvas& canvas);

}  // namespace platform
