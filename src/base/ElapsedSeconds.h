#pragma once
// The two clocks of the program's timing lines. The process clock counts the
// CPU time of every thread since program start: with one thread it is the
// time of the work alone, undisturbed by other jobs on the machine. The wall
// clock counts real time: with several threads it is the one that says how
// long a piece of work took.
double ElapsedSeconds();  // process clock, in seconds
double WallSeconds();     // wall clock, in seconds from an arbitrary origin
