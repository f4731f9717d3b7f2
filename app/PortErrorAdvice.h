// The serial component's English error texts name a reason and a system error number; for the
// usual causes an operator meets (port missing, port taken by another program, device unplugged,
// access refused) this adds a plain Spanish sentence that says what to do.
#pragma once

#include <string>

class EComPort;

// `error`'s own text, with a full stop, followed by the advice for its cause on `port`; the text
// alone (as the component gives it) when the cause is not one of the usual ones.
std::string PortErrorText(const EComPort& error, const std::string& port);
