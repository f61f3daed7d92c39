#pragma once

#include <QElapsedTimer>

class frmMain;

// Timings as the user sees them, opt-in by environment variables (the benchmark uses both):
//
// TUMBLERIX_TIMINGS=FILE appends one JSON line per event to FILE: the first paint of the list at
// start-up, each view command and each search keystroke, with the milliseconds from the command
// (or from the start of main) to the list painted and the rows it shows, e.g.
//   {"what":"view","view":"stock","rows":7305,"ms":41.2}
//
// TUMBLERIX_DRIVE="step,step,..." runs steps one after another once the list has painted, each when
// the one before has painted, then quits. Steps: all, favorites, stock, nonalcoholic,
// stock-nonalcoholic (the view commands), planner (opens the Bar Planner; timed to its first list
// painted, logged as {"what":"window","view":"planner",...}), find:TEXT (Find Drink with TEXT in the
// directions, from the Find button to its hits painted; "view":"find"), stale (marks the stock and non-alcoholic views out of
// date), type:TEXT (types TEXT into the search box, one key at a time), clear (empties it). At the
// end the log gets the process's peak memory, {"what":"memory","peakKiB":...}, and the program quits.
namespace ViewTimings {

// Does nothing unless TUMBLERIX_TIMINGS or TUMBLERIX_DRIVE is set.
void install(frmMain* window, const QElapsedTimer& sinceStart);

} // namespace ViewTimings
