// The report of a download or of a station's period (A4, Spanish), on as many pages as it takes.
// Every page has a header naming the station and the period, and a footer with the signatures and
// "Página N de M". The first page holds the identity (start, rate, samples, first and last time
// stamp, and where it came from when it was kept in the archive), the summary table and both
// charts on the time axis with the limit lines; the pages after it list every excursion, every gap
// of a station's record and the signatures. The charts are drawn through the chart's own print
// path, so the page shows what the screen and the printer show.
#pragma once

#include <QByteArray>

#include "charts/ReportContent.h"

class QPrinter;

// How many pages the report takes.
int ReportPageCount(const ReportContent& content);

// The report as a PDF file's bytes; empty when the PDF cannot be made.
QByteArray ReportPdf(const ReportContent& content);

// Prints the report on `printer`. Throws std::runtime_error (Spanish text) when the printing cannot
// start or finish.
void PrintReport(QPrinter& printer, const ReportContent& content);
