#pragma once
// How far the component in hand has come, for whoever wants to follow a
// long evaluation (a host that shows the fraction of a work unit done). The
// components report after every interval they finish; nobody listens unless
// an observer is set.
//
// Only the outermost component run is reported: a component that needs a
// prime count for the start of its interval runs a whole evaluation, with
// components of its own, inside its run, and that is part of its work.
#include <functional>

// Told the component's letter ('A' .. 'D') and the fraction of its sieve
// interval done, 0 .. 1.
typedef std::function<void(char component, double fraction)> ComponentProgressObserver;

// Sets the observer (an empty one stops the reports). Set it before an
// evaluation starts and clear it after, never during one.
void SetComponentProgressObserver(ComponentProgressObserver observer);

// A component's run begins and ends (they nest).
void ComponentRunStarted();
void ComponentRunEnded();

// Hands the progress of a component to the observer, if there is one and
// the run reporting is the outermost one.
void ReportComponentProgress(char component, double fraction);
