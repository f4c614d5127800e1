#include "base/Messages.h"

#include <cstdarg>
#include <cstdio>

namespace msg {

std::string Printf(const char* format, ...) {
  va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  const int length = vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0u, '\0');
  if (length > 0) vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  return text;
}

std::string ComputingPi(const std::string& x, double xApprox, double y, double z) {
  return "Computing Pi(x) : x=" + x + Printf(" (%E)", xApprox) + Printf(" y=%.0lf, z=%.0lf\n", y, z);
}
std::string ComputingTerm(const char* name) { return Printf("Computing %s : ", name); }
std::string ProgressDot() { return "."; }
std::string TermLine(const char* name, const std::string& value, double seconds) {
  return std::string(name) + "=" + value + Printf(", time=%.2lf\n", seconds);
}
std::string TotalTime(double seconds) {
  return Printf("pi(x) total computation time : %.2lf\n", seconds);
}
std::string PiValue(const std::string& x, const std::string& value) {
  return "pi(" + x + ")=" + value + "\n";
}
std::string ZOutOfRange() { return "Pb in PiNYZ, z is not in the good range\n"; }
std::string YOutOfRange() { return "Pb in PiNY, y is not in the good range\n"; }

std::string LongFloorTooLarge(double x) { return Printf("PB in LongFloor, x=%.0lf is too large\n", x); }
std::string AddTooLarge(double x) { return Printf("WARNING in Integer::Add, x=%.0lf is too large\n", x); }
std::string GetDoubleLarge(double x) { return Printf("Warning in Integer::GetDouble(), x=%E\n", x); }
std::string ProductTooLong() { return "ERROR in Integer::Product\n"; }
std::string DivideEstimateTooLarge(double estimate) {
  return Printf("ERROR IN DIVIDE, _LD=%.0lf is too large !\n", estimate);
}
std::string ModuloTooLarge() { return "PB, m is too large in Integer::Modulo\n"; }
std::string StartNotInteger() { return "Pb in RunSieve, Start is not an integer\n"; }
std::string SubBlockTooBig() { return "Pb in SubBlock::RunSieve, _Size is too big\n"; }
std::string MBlockTooLong() { return "Pb in MBlock::RunSieve\n"; }
std::string MMBlockPrimeTooSmall() { return "Error in MMBlock::RunSieve, p is too small\n"; }
std::string MMBlockEndTooLarge() { return "Error in MMBlock::RunSieve, mEnd is too large\n"; }
std::string CBlockReset() { return "Pb in CBlock::Reset()\n"; }
std::string BlockTooLong() { return "Pb in Block::RunSieve\n"; }
std::string MoebiusSieveTooLong() { return "Pb in Block::RunMoebiusSieve, N is too large\n"; }
std::string LargeBlockTooLong() { return "Pb in LargeBlock::RunSieve, Size is too large\n"; }
std::string PrimeGapTooLarge(double halfGap) {
  return Printf("ERROR in PrimeSeries, delta=%.0lf is too large\n", halfGap);
}
std::string PrimeRoomTooSmall() { return "Pb in PrimeSeries::Run, MaxNbPrimes is too small\n"; }
std::string PhiArgumentTooLarge(double v) { return Printf("Error in PhiNFast, x=%.0lf is too large\n", v); }
std::string PreviousPrimeOfTwo(double v) { return Printf("Error in PreviousPrime, x=%0lf\n", v); }
std::string CLeafBoundsEmpty() { return "pb\n"; }
std::string CBoundsTooLarge() { return "ERROR in CComputer::Run, xx and z are too large\n"; }
std::string DListOverflow() { return "Error in DComputer::Run, mIndex is too large\n"; }
std::string DListTooShort() { return "pb in Compute_CountFirst, Delta3 is too small\n"; }
std::string WheelResiduesWrong(double b) {
  return Printf("Error in BComputer::Run, p0=%.0lf, Inversible computation is KO\n", b);
}

std::string HotLoopsCopy(const char* name) { return Printf("Hot loops: %s copy\n", name); }
std::string UnknownHotCopy(const char* name, const std::string& names) {
  return Printf("BRUNSK_COPY=%s: no such copy of the hot loops (the copies: %s)\n", name, names.c_str());
}
std::string HotCopyNotRunnable(const char* name) {
  return Printf("BRUNSK_COPY=%s: this processor cannot run the %s copy of the hot loops\n", name, name);
}
std::string PiecesDoNotChain(const char* name, int piece, double start, double previousEnd) {
  return Printf("Error in the pieces of %s: piece %d starts from %.0lf, the piece before it ended at %.0lf\n",
                name, piece, start, previousEnd);
}

}  // namespace msg
