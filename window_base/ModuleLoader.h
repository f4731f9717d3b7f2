// Opens the program's runtime-loaded modules: the parts that need large libraries (the charts with
// printing, the download archive's database) are loaded the first time they are used, so that the
// program starts without them. A module is looked for in the folder named by VELMORANTE_MODULE_DIR
// when that is set, else beside the program (the build tree) and then in the installed module
// folder. A program that has a module's code linked in registers it instead, and that code is used.
#pragma once

#include <QStringList>

// What a module's entry returns: its one object, which lives as long as the program.
using ModuleEntry = void* (*)();

// The object of module `name` ("velmorante-charts"), whose file is `name`.so and whose exported
// entry is `entrySymbol`. Loads the module the first time; throws std::runtime_error with a Spanish
// text that names the file and why it could not be loaded. A failure is not remembered: the next
// call tries again.
void* LoadModule(const char* name, const char* entrySymbol);

// Makes LoadModule return `entry()` for `name` without opening any file.
void RegisterBuiltInModule(const char* name, ModuleEntry entry);

// The folders searched for modules, in order.
QStringList ModuleFolders();
