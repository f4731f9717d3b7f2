// The one-page report of a download (A4, Spanish): its identity (start, rate, samples, first and
// last time stamp, and where it came from when it was kept in the archive), the summary table, and
// both charts on the time axis with the limit lines. The charts are drawn through the chart's own
// print path, so the page shows what the screen and the printer show.
#pragma once

#include <QByteArray>

#include "charts/ReportContent.h"

class QPainter;
class QPrinter;
class QRectF;

// Draws the page on `painter` into `page` (in the painter's device pixels).
void PaintReport(QPainter& painter, const QRectF& page, const ReportContent& content);

// The report as a PDF file's bytes; empty when the PDF cannot be made.
QByteArray ReportPdf(const ReportContent& content);

// Prints the report on one page of `printer`. Throws std::runtime_error (Spanish text) when the
// printing cannot start or finish.
void PrintReport(QPrinter& printer, const ReportContent& content);
