#pragma once
// Abstract base of the component computers A, B, C and D: the quantities
// every component derives from x and y, the result, the console switches and
// the bookkeeping of the sieve interval a component walks.
#include <cstdint>

#include "arith/Integer.h"
#include "base/Console.h"

class Computer {
 public:
  Computer(const Integer& x, double y, double blockFactor);
  virtual ~Computer();
  Computer(const Computer&) = delete;
  Computer& operator=(const Computer&) = delete;

  // Virtual interface, in slot order.
  virtual void GetName(char* out) const = 0;          // one letter, NUL-terminated
  virtual void GetRange(double& start, double& end) = 0;
  virtual double EstimateMemory();
  virtual void FreeTables();
  virtual void Run() = 0;
  virtual Integer* GetResult(Integer* out) const;
  virtual void GetPiBounds(double* a, double* b) const;
  virtual double GetSpare() const;
  virtual int IsNormalMode() const;
  virtual void InitRangeCount();
  virtual void Prepare();
  virtual void SetMode(int32_t m);
  // Takes the read-only tables of another computer of the same component
  // and arguments, once that one has prepared them, instead of building its
  // own (computers on several threads share them).
  virtual void ShareTablesOf(const Computer& other);

  void SetVerbose(int32_t v) { verbose = v; }
  void SetConsole(const Console& c) { console = c; }  // where its reports go
  void SetLowerBound(double b) { lowerBound = b; }
  void TimedRun();
  // Runs the piece (start, end] of the interval that GetRange gives, silently:
  // result holds the term's part over the piece alone, and GetPiBounds the
  // running count at both ends (D: the checksums), NaN where the run did not
  // reach them. The tables of an earlier piece are kept, so that one object
  // can run many pieces.
  void RunPiece(double start, double end);
  void ShowProgress(double v);

 protected:
  Integer x;
  double xValue;
  double y;
  double cubeRootX;
  double lowerBound;
  double blockFactor;
  int32_t blockLength;
  int32_t verbose;
  double rangeStart;
  double rangeEnd;
  double piAtRangeStart;
  double piAtRangeEnd;
  double spare;
  double piCurrent;
  double sieveCurrent;
  int32_t dotsPrinted;
  Integer result;
  int32_t mode;
  int32_t savedVerbose;
  Console console;
};
