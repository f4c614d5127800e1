// The terminal on Windows: redirected standard streams in binary mode, so
// that a transcript has the same "\n" as on every other system, and a console
// window that the program owns alone (a double click on brunsk.exe opens one
// that closes with the program) held open until the user presses Enter.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "base/Console.h"

namespace {

bool IsConsole(FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace

void SetUpTerminal() {
  for (FILE* stream : {stdin, stdout, stderr}) {
    if (!IsConsole(stream)) _setmode(_fileno(stream), _O_BINARY);
  }
}

void HoldTerminalAtExit() {
  // One process attached to the console: this one, so no shell waits
  // behind it and the window goes away with it.
  DWORD processes[2];
  if (GetConsoleProcessList(processes, 2) != 1) return;
  if (!IsConsole(stdin) || !IsConsole(stdout)) return;
  fputs("\nPress Enter to close this window.", stdout);
  fflush(stdout);
  int c;
  while ((c = fgetc(stdin)) != EOF && c != '\n') {
  }
}
