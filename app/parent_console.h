#pragma once
// Windows only. A program built for the GUI subsystem gets no console, so what it prints (its
// --help and --version, its complaints about the command line) would go nowhere when started
// from cmd or PowerShell.

namespace velmar {

// Attaches to the console of the program that started this one, if it has one, and points
// stdout and stderr at it unless they already lead somewhere (a redirection). Returns whether
// stdout leads somewhere now.
bool useParentConsole();

}  // namespace velmar
