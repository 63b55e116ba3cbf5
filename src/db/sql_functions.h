// The component's SQL functions and collation, registered on every
// connection right after it is opened:
//
//   format_length(seconds)          '1wk 1d 1:01:01', '1:15'
//   format_length_hours(seconds)    '25:00:00', '01:15'
//   padl(text, length [, pad])      padl('7', 3, '0') -> '007'
//   padr(text, length [, pad])      padr('ab', 5, 'xy') -> 'abxy'
//   strpos(text, search)            strpos('äbc', 'c') -> 3
//   ... ORDER BY title COLLATE NaturalNoCase   (Track 2 before Track 10)
#ifndef VOSTREL_DB_SQL_FUNCTIONS_H_
#define VOSTREL_DB_SQL_FUNCTIONS_H_

struct sqlite3;

namespace db {

// Registers the five functions and the collation on `handle`, in this order:
// format_length, format_length_hours, padl (2), padl (3), padr (2), padr (3),
// strpos, then NaturalNoCase. Results are not examined.
void registerSqlFunctions(sqlite3* handle);

}  // namespace db

#endif  // VOSTREL_DB_SQL_FUNCTIONS_H_
