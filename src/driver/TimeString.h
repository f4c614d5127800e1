#pragma once
// Copies the current local calendar time, in the 24-character form
// "Www Mmm dd hh:mm:ss yyyy" followed by a newline and a terminating zero,
// into buffer, which holds at least 26 characters.
void TimeString(char* buffer);
