// Start-up of the program: application object, translations, formats, the seven windows and the
// message loop; or, without windows, the command-line demo.
#pragma once

int RunProject1(int argc, char** argv);

// Names the application (message-box title, version) without giving it a display name, so that no
// window's title gets anything appended to its caption.
void NameApplication();
