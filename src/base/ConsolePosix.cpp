// The terminal on POSIX systems: "\n" passes unchanged everywhere and a
// terminal window belongs to the shell that started the program, so there is
// nothing to set up or to hold.
#include "base/Console.h"

void SetUpTerminal() {}

void HoldTerminalAtExit() {}
