// Opening a serial port the user may not use (on Linux: not in the "dialout" group) fails with a
// system error that the component's English text does not explain. These add a plain sentence.
#pragma once

#include <string>

class EComPort;

// True when `error` is a failed opening because access was refused (EACCES or EPERM).
bool IsAccessRefused(const EComPort& error);

// The component's text followed by a sentence, in Spanish, saying that the user lacks permission
// to open `port` and how to get it.
std::string AccessRefusedText(const EComPort& error, const std::string& port);
