#include "driver/ComputeRange.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "driver/CheckedPi.h"
#include "driver/LineChecksum.h"
#include "driver/OffsetLogIntegral.h"

namespace {

constexpr double kGridStep = 1e14;
const char kCheckFailedLine[] = "Last computation : Check KO\n";

// Appends text to the file name. Returns false when the file cannot be
// opened or the text cannot be written whole; what was written of it is then
// cut off again, so that the file keeps only whole lines.
bool AppendToResultFile(const char* name, const char* text) {
  FILE* file = fopen(name, "a");
  if (file == nullptr) return false;
  struct stat before;
  bool sized = fstat(fileno(file), &before) == 0 && S_ISREG(before.st_mode);
  bool ok = fputs(text, file) >= 0 && fflush(file) == 0;
  if (fclose(file) != 0) ok = false;
  if (!ok && sized) (void)!truncate(name, before.st_size);
  return ok;
}

}  // namespace

void ComputeRange(double S, double E) { ComputeRange(S, E, CheckedPi); }

void ComputeRange(double S, double E, PointFunction checkedPi) {
  char name[64];
  snprintf(name, sizeof name, "Pix%ld-%ld.txt", static_cast<long>(S), static_cast<long>(E));
  if (S > E) return;

  for (double k = S; k <= E; k += 1.0) {
    Integer x(kGridStep);
    x.Multiply(k);
    Integer p;

    printf("\n");
    printf("----------------------------------------------------------\n");
    printf("%ld/%ld - Compute and check pi(x) for x=%E\n", static_cast<long>(k),
           static_cast<long>(E), k * kGridStep);
    printf("----------------------------------------------------------\n");
    printf("\n");
    fflush(stdout);

    int status = checkedPi(x, p, 1);

    double dev = NormalisedDeviation(p.GetApprox(), x.GetApprox());

    // index:pi(x):deviation, then the checksum of that text.
    char fields[200];
    char digits[64];
    p.Format(digits);
    snprintf(fields, sizeof fields, "%ld:%s:%.5lf", static_cast<long>(k), digits, dev);
    char line[256];
    snprintf(line, sizeof line, "%s:%ld\n", fields, LineChecksum(fields));

    // The line, and the failure mark after a failed check, go out in one
    // write and the file is closed before the next point starts.
    char text[512];
    snprintf(text, sizeof text, "%s%s", line, status != 0 ? kCheckFailedLine : "");
    bool written = AppendToResultFile(name, text);

    if (status != 0) printf("ERROR, computation stopped\n");
    if (!written) {
      printf("ERROR, the result file %s cannot be written; its line would have been:\n", name);
      printf("%s", line);
    }
    fflush(stdout);
    if (status != 0 || !written) return;
  }
}
