// The threads share the list of pieces, the read-only factor tables of C and
// D (built before the threads start) and nothing else: each thread makes its
// own computer of the component, whose other tables and sieve windows (a few
// MB at 10^18) are built once and kept for all the pieces that thread runs;
// each piece writes its part, its two counts and its messages into its own
// slot; the dots and the sum are made by one thread at a time. Messages of
// the pieces are printed after the dots, in piece order.
#include "engine/SplitTerm.h"

#include <cmath>
#include <string>

#include "base/Messages.h"
#include "engine/EvaluationFailure.h"
#include "engine/PieceScheduler.h"

namespace {

// The results of one piece.
struct PieceResult {
  Integer part;
  double startCount = 0.0, endCount = 0.0;  // NaN when the piece did not reach them
  std::string report;
};

}  // namespace

Integer SplitTerm(const ComputerMaker& make, int threads, int verbose, const Console& console) {
  std::unique_ptr<Computer> probe = make();
  char name[8];
  probe->GetName(name);
  double start, end;
  probe->GetRange(start, end);
  return SplitTerm(make, CutIntoPieces(start, end, ComponentCostShape(name), threads), threads,
                   verbose, console);
}

Integer SplitTerm(const ComputerMaker& make, const std::vector<Piece>& pieces, int threads,
                  int verbose, const Console& console) {
  const PieceScheduler scheduler(threads);
  std::vector<std::unique_ptr<Computer>> computers(scheduler.Threads());
  computers[0] = make();
  char name[8];
  computers[0]->GetName(name);
  // The first computer's tables are built here, before any thread reads
  // them, and the others share what is read-only of them.
  computers[0]->Prepare();

  double t0 = 0.0;
  if (verbose) {
    console.Write(msg::ComputingTerm(name));
    t0 = console.Seconds();
  }

  const int count = static_cast<int>(pieces.size());
  std::vector<double> costs(count);
  double total = 0.0;
  for (int i = 0; i < count; ++i) total += costs[i] = pieces[i].cost;
  std::vector<PieceResult> results(count);

  auto work = [&](int i, int worker) {
    std::unique_ptr<Computer>& c = computers[worker];
    if (!c) {
      c = make();
      c->ShareTablesOf(*computers[0]);
    }
    PieceResult& r = results[i];
    c->SetConsole(Console(&r.report));
    c->RunPiece(pieces[i].start, pieces[i].end);
    c->GetResult(&r.part);
    c->GetPiBounds(&r.startCount, &r.endCount);
  };

  // Dots at the same fractions of the whole component as a run in one
  // piece prints them: one when the first piece is done, six in all.
  double doneCost = 0.0;
  int dots = 0, finished = 0;
  auto done = [&](int i) {
    doneCost += costs[i];
    ++finished;
    console.Progress(name[0], finished == count ? 1.0 : (total > 0.0 ? doneCost / total : 0.0));
    if (!verbose) return;
    const double e = finished == count ? 5.0 : (total > 0.0 ? doneCost * 5.0 / total : 0.0);
    std::string text;
    while (dots <= e) {
      text += msg::ProgressDot();
      ++dots;
    }
    if (!text.empty()) console.Write(text);
  };

  scheduler.Run(costs, work, done);

  Integer sum(0.0);
  int last = -1;  // the last piece whose end count is known
  for (int i = 0; i < count; ++i) {
    const PieceResult& r = results[i];
    if (!r.report.empty()) console.Write(r.report);
    if (std::isnan(r.startCount)) last = -1;  // nothing to compare across
    if (last >= 0 && r.startCount != results[last].endCount) {
      const std::string text = msg::PiecesDoNotChain(name, i, r.startCount, results[last].endCount);
      console.Write(text);
      throw EvaluationFailure(text);
    }
    if (!std::isnan(r.endCount)) last = i;
    sum.Add(r.part);
  }
  if (verbose) console.Write(msg::TermLine(name, sum.Text(), console.Seconds() - t0));
  return sum;
}
