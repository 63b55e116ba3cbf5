// Natural, case-insensitive ordering of UTF-8 text: "Track 2" before
// "track 10", "Abc" equal to "abc". It backs the NaturalNoCase collation and
// every natural sort of names in the program (console grid, node sorting,
// playlist sorting).
//
//   naturalCompare("Disc 9", "disc 10") < 0
//   naturalCompare("Ä", "ä") == 0
//   naturalCompare("Éte", "Etf") < 0     (É sorts among the E's)
#ifndef VOSTREL_HOST_NATURAL_COMPARE_H_
#define VOSTREL_HOST_NATURAL_COMPARE_H_

#include <string_view>

namespace host {

// Compares two UTF-8 texts; returns a negative number, 0 or a positive number.
//
// The text is read as a sequence of elements: each maximal run of ASCII
// digits is one element, every other code point is one element (each byte of
// invalid UTF-8 is its own element). Texts are ordered by two keys:
//
//  1. Primary, element by element (a text that is a proper prefix of the
//     other comes first):
//     - a character's key is its case-folded code point with Latin
//       diacritics removed ('É', 'é', 'E' and 'e' share the key 'e');
//     - a digit run's key is its numeric value of any length; against a
//       character it ranks like the character '0' (after space and most
//       punctuation, before letters);
//     - an invalid byte ranks after every code point.
//  2. Secondary, only when all primary keys match: the first element that
//     differs decides, a character by its case-folded code point with the
//     diacritic kept ('e' < 'é'), a digit run by its length so that fewer
//     leading zeros come first ("7" < "07" < "007").
//
// Case is never a tie-break: texts that differ only in letter case compare
// equal. The order is a total preorder (antisymmetric and transitive), so
// SQLite may sort and index with it. Allocates nothing; never throws.
int naturalCompare(std::string_view a, std::string_view b) noexcept;

// The same over `size_a` bytes at `a` and `size_b` bytes at `b`, in the form
// of a C comparator: SQLite's NaturalNoCase collation calls it directly,
// once a row for each max() or sort key. `context` is not used.
// REQUIRES: sizes are not negative.
int naturalCompareBytes(void* context, int size_a, const void* a, int size_b, const void* b) noexcept;

}  // namespace host

#endif  // VOSTREL_HOST_NATURAL_COMPARE_H_
