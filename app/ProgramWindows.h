// The program's seven windows, created once in the order main window, about, help, data, charts,
// rate dialog, set-clock dialog, and wired to each other. The main window owns the others.
#pragma once

#include <memory>

#include "app/Unit1.h"

class TForm2;
class TForm3;
class TForm5;
class TForm6;
class TForm7;
class TForm8;

struct ProgramWindows {
  std::unique_ptr<TForm1> Form1;
  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;
  TForm5* Form5 = nullptr;
  TForm6* Form6 = nullptr;
  TForm7* Form7 = nullptr;
  TForm8* Form8 = nullptr;
};

ProgramWindows CreateProgramWindows(TForm1::Options options);
