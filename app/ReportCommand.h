// `velmorante --report SOURCE --out FILE.pdf [--limits-rh LO:HI] [--limits-t LO:HI]`: the
// report of a captured download or saved table, made without a display and without any window.
#pragma once

// Whether the command line asks for a report (--report or --report=SOURCE).
bool AsksForReport(int argc, char** argv);

// Makes the report and returns the exit status: 0 written, 1 the source or the file failed, 2 bad
// usage. Messages go to the standard error, in Spanish.
int RunReportCommand(int argc, char** argv);
