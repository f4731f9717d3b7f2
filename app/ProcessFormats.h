// Number and date formats of the whole program: decimal comma, full stop between thousands, times
// as hh:mm:ss and dates as dd/MM/yyyy.
#pragma once

void ApplyProcessFormats();
