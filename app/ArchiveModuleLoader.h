// The download archive's module for the windows, loaded at its first use.
#pragma once

class ArchiveModule;

// Throws std::runtime_error with a Spanish text naming the module's file and why it could not be
// loaded.
ArchiveModule& LoadArchiveModule();
