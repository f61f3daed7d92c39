#pragma once

#include <QStringList>

#include <array>

// The letter index of the drink list and the incremental search that starts from it.
namespace Lib {

// Element k (1..26) is the position of the first entry starting with the k-th letter "A".."Z", or 0
// when none does; element 0 and 26+1 are unused. Positions are 32-bit so long lists stay correct.
using LetterIndex = std::array<int, 28>;

LetterIndex BuildLetterIndex(const QStringList& entries);

// The position the search box's text selects, or -1 to leave the selection as it is. The text is
// compared with the start of each entry without regard to letter case; an upper-case first letter
// starts the search at that letter's first entry.
int IncrementalSearch(const QStringList& entries, const LetterIndex& index, const QString& text);

} // namespace Lib
