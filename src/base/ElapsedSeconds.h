#pragma once
// The two clocks of the program's timing lines. The process clock counts the
// CPU time of every thread since program start: with one thread it is the
// time of the work alone, undisturbed by other jobs on the machine. The wall
// clock counts real time: with several threads it is the one that says how
// long a piece of work took. A host that stops and resumes the process (a
// volunteer computing client) may put a clock of its own in the wall clock's
// place, one that stands still while the process is suspended.
#include <functional>

double ElapsedSeconds();  // process clock, in seconds
double WallSeconds();     // wall clock, in seconds from an arbitrary origin

// Replaces the wall clock of the whole process by clock, or restores the
// real one when clock is empty. Set it before the threads that read it
// start, never while they run.
void ReplaceWallClock(std::function<double()> clock);
