#pragma once
// Every message the engine and its components print, in one place: the
// console report of an evaluation and the reports of the internal checks.
// Tests compare these texts byte for byte. Values of the multi-precision
// Integer come in as their decimal text.
#include <string>

namespace msg {

// printf into a string, of whatever length the text takes.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The report of one evaluation of pi(x).
std::string ComputingPi(const std::string& x, double xApprox, double y, double z);
std::string ComputingTerm(const char* name);  // "Computing A : ", before the dots
std::string ProgressDot();
// The one line of a term: "name=value, time=t" (A, B, C, D, phi0, Sigma).
std::string TermLine(const char* name, const std::string& value, double seconds);
std::string TotalTime(double seconds);
std::string PiValue(const std::string& x, const std::string& value);
std::string ZOutOfRange();
std::string YOutOfRange();

// The internal checks, by where they sit.
std::string LongFloorTooLarge(double x);
std::string AddTooLarge(double x);
std::string GetDoubleLarge(double x);
std::string ProductTooLong();
std::string DivideEstimateTooLarge(double estimate);
std::string ModuloTooLarge();
std::string StartNotInteger();
std::string SubBlockTooBig();
std::string MBlockTooLong();
std::string MMBlockPrimeTooSmall();
std::string MMBlockEndTooLarge();
std::string CBlockReset();
std::string BlockTooLong();
std::string MoebiusSieveTooLong();
std::string LargeBlockTooLong();
std::string PrimeGapTooLarge(double halfGap);
std::string PrimeRoomTooSmall();
std::string PhiArgumentTooLarge(double v);
std::string PreviousPrimeOfTwo(double v);
std::string CLeafBoundsEmpty();
std::string CBoundsTooLarge();
std::string DListOverflow();
std::string DListTooShort();
std::string WheelResiduesWrong(double b);
// The copy of the hot loops that runs, and the refusals of BRUNSK_COPY.
std::string HotLoopsCopy(const char* name);
std::string UnknownHotCopy(const char* name, const std::string& names);
std::string HotCopyNotRunnable(const char* name);
// The pieces of a component on several threads.
std::string PiecesDoNotChain(const char* name, int piece, double start, double previousEnd);

}  // namespace msg
