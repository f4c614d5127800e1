#pragma once
// Process time in seconds since program start; every "time=" line prints
// differences of it.
double ElapsedSeconds();
