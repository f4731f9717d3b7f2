// Start-up of the program: application object, translations, formats, the seven windows and the
// message loop; or, without windows, the command-line demo.
#pragma once

int RunProject1(int argc, char** argv);
