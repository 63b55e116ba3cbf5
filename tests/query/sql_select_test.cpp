// Tests of the SELECT splitter: a table of statements with the parts they
// split into and the text they format back to, then the setters.
#include "query/sql_select.h"

#include <gtest/gtest.h>

#include <string>

#include "query/select_scanner.h"

namespace {

using query::SQLSelect;

std::string bracketed(const std::vector<std::string>& terms) {
  std::string out;
  for (const std::string& term : terms) out += "[" + term + "]";
  return out;
}

// A compact picture of every part of a split; empty parts are left out.
std::string describe(const SQLSelect& select) {
  std::string out;
  for (std::size_t i = 0; i < select.coreCount(); ++i) {
    const SQLSelect::SelectCore& core = select.core(i);
    out += "core{";
    if (!core.modifier().empty()) out += "mod=" + core.modifier() + " ";
    out += "cols=";
    for (const db::Property& column : core.columns()) {
      out += "[" + column.text();
      if (!column.name().empty()) out += " AS " + column.name();
      out += "]";
    }
    if (!core.from().empty()) out += " from=" + core.from();
    if (!core.where().empty()) out += " where=" + core.where();
    if (!core.groupBy().empty()) out += " group=" + bracketed(core.groupBy());
    out += "} ";
  }
  if (!select.compoundOperators().empty()) out += "ops=" + bracketed(select.compoundOperators()) + " ";
  if (!select.orderBy().empty()) out += "order=" + bracketed(select.orderBy()) + " ";
  if (!select.limit().empty()) out += "limit=" + select.limit() + " ";
  if (!out.empty()) out.pop_back();
  return out;
}

struct SplitCase {
  const char* name;
  const char* sql;
  const char* parts;      // describe() of the split
  const char* formatted;  // format()
};

const SplitCase kSplitCases[] = {
    {"FiveLineExample", "SELECT genre g, count(*) FROM MediaLibrary GROUP BY genre ORDER BY 2 DESC",
     "core{cols=[genre AS g][count(*)] from=MediaLibrary group=[genre]} order=[2 DESC]",
     "SELECT genre g,\r\n       count(*)\r\nFROM MediaLibrary\r\nGROUP BY genre\r\nORDER BY 2 DESC\r\n"},
    {"LowerCaseKeywords", "select a from t", "core{cols=[a] from=t}", "SELECT a\r\nFROM t\r\n"},
    {"KeywordGluedToParenthesisIsNoKeyword", "SELECT a FROM(t)", "core{cols=[a AS FROM(t)]}",
     "SELECT a FROM(t)\r\n"},
    {"KeywordGluedToSymbolIsNoKeyword", "SELECT* FROM t", "", ""},
    {"KeywordEndingTheTextIsNoKeyword", "SELECT a FROM", "core{cols=[a AS FROM]}", "SELECT a FROM\r\n"},
    {"KeywordInsideWordIsNoKeyword", "SELECT afrom, fromage FROM t", "core{cols=[afrom][fromage] from=t}",
     "SELECT afrom,\r\n       fromage\r\nFROM t\r\n"},
    {"BlanksOfAnyKind", "SELECT\r\n\tgenre,\r\n\talbum\r\nFROM\tMediaLibrary\n",
     "core{cols=[genre][album] from=MediaLibrary}", "SELECT genre,\r\n       album\r\nFROM MediaLibrary\r\n"},
    {"UnionAll", "SELECT a FROM t UNION ALL SELECT b FROM u",
     "core{cols=[a] from=t} core{cols=[b] from=u} ops=[UNION ALL]",
     "SELECT a\r\nFROM t\r\nUNION ALL\r\nSELECT b\r\nFROM u\r\n"},
    {"UnionWithoutAll", "SELECT a FROM t UNION SELECT b FROM u",
     "core{cols=[a] from=t} core{cols=[b] from=u} ops=[UNION]",
     "SELECT a\r\nFROM t\r\nUNION\r\nSELECT b\r\nFROM u\r\n"},
    {"IntersectExceptAndStatementOrderBy",
     "SELECT a FROM t WHERE x INTERSECT SELECT a FROM u EXCEPT SELECT DISTINCT a FROM v ORDER BY 1 LIMIT 3",
     "core{cols=[a] from=t where=x} core{cols=[a] from=u} core{mod=DISTINCT cols=[a] from=v} "
     "ops=[INTERSECT][EXCEPT] order=[1] limit=3",
     "SELECT a\r\nFROM t\r\nWHERE x\r\nINTERSECT\r\nSELECT a\r\nFROM u\r\nEXCEPT\r\n"
     "SELECT DISTINCT a\r\nFROM v\r\nORDER BY 1\r\nLIMIT 3"},
    {"DistinctModifier", "select distinct a, b from t", "core{mod=DISTINCT cols=[a][b] from=t}",
     "SELECT DISTINCT a,\r\n       b\r\nFROM t\r\n"},
    {"AllModifier", "SELECT ALL a FROM t", "core{mod=ALL cols=[a] from=t}", "SELECT ALL a\r\nFROM t\r\n"},
    {"LineCommentHidesKeyword", "SELECT a, -- FROM x\n b FROM t", "core{cols=[a][b] from=t}",
     "SELECT a,\r\n       b\r\nFROM t\r\n"},
    {"BlockCommentHidesKeywords", "SELECT a /* FROM x */ FROM t /* WHERE */ WHERE b = 1",
     "core{cols=[a] from=t where=b = 1}", "SELECT a\r\nFROM t\r\nWHERE b = 1\r\n"},
    {"BracketedKeyword", "SELECT [from], b FROM t", "core{cols=[[from]][b] from=t}",
     "SELECT [from],\r\n       b\r\nFROM t\r\n"},
    {"ApostropheInsideBrackets", "SELECT [a'b] FROM t", "core{cols=[[a'b]] from=t}",
     "SELECT [a'b]\r\nFROM t\r\n"},
    {"SubQueryIsOpaque", "SELECT a, (SELECT max(b) FROM u WHERE c) AS m FROM t WHERE d",
     "core{cols=[a][(SELECT max(b) FROM u WHERE c) AS m] from=t where=d}",
     "SELECT a,\r\n       (SELECT max(b) FROM u WHERE c) m\r\nFROM t\r\nWHERE d\r\n"},
    {"ApostropheInsideDoubleQuotes", "SELECT \"it's\" FROM t WHERE x = 'a b'",
     "core{cols=[\"it's\"] from=t where=x = 'a b'}", "SELECT \"it's\"\r\nFROM t\r\nWHERE x = 'a b'\r\n"},
    {"QuotedKeywordAndComma", "SELECT 'x, FROM y' z, \"a FROM\" FROM t",
     "core{cols=['x, FROM y' AS z][\"a FROM\"] from=t}",
     "SELECT 'x, FROM y' z,\r\n       \"a FROM\"\r\nFROM t\r\n"},
    {"ParenthesisInsideString", "SELECT '(' x FROM t", "core{cols=['(' AS x] from=t}",
     "SELECT '(' x\r\nFROM t\r\n"},
    {"AliasForms", "SELECT x AS y, x y, a + b total, count(*) FROM t",
     "core{cols=[x AS y][x AS y][a AS total][count(*)] from=t}",
     "SELECT x y,\r\n       x y,\r\n       a total,\r\n       count(*)\r\nFROM t\r\n"},
    {"HavingStaysInGroupBy", "SELECT a, b FROM t GROUP BY a HAVING count(*)>1",
     "core{cols=[a][b] from=t group=[a HAVING count(*)>1]}",
     "SELECT a,\r\n       b\r\nFROM t\r\nGROUP BY a HAVING count(*)>1\r\n"},
    {"TermsKeepTheirBlanks", "SELECT a, b FROM t GROUP BY a, b ORDER BY a DESC, b",
     "core{cols=[a][b] from=t group=[a][ b]} order=[a DESC][ b]",
     "SELECT a,\r\n       b\r\nFROM t\r\nGROUP BY a, b\r\nORDER BY a DESC, b\r\n"},
    {"TrailingCommaStaysInLastTerm", "SELECT a FROM t GROUP BY a, ORDER BY b",
     "core{cols=[a] from=t group=[a,]} order=[b]", "SELECT a\r\nFROM t\r\nGROUP BY a,\r\nORDER BY b\r\n"},
    {"LimitWithOffset", "SELECT a FROM t ORDER BY a LIMIT 10 OFFSET 5",
     "core{cols=[a] from=t} order=[a] limit=10 OFFSET 5",
     "SELECT a\r\nFROM t\r\nORDER BY a\r\nLIMIT 10 OFFSET 5"},
    {"TextBeforeFirstSelectIsDropped", "WITH v AS (SELECT 1 AS a) SELECT a FROM v", "core{cols=[a] from=v}",
     "SELECT a\r\nFROM v\r\n"},
    {"NoSelect", "UPDATE t SET a = 1 WHERE b", "", ""},
    {"OrderByAndLimitWithoutSelect", "VALUES(1) ORDER BY 1 LIMIT 2", "order=[1] limit=2",
     "ORDER BY 1\r\nLIMIT 2"},
    {"SelectWithoutColumns", "SELECT FROM t", "core{cols= from=t}", "SELECT\r\nFROM t\r\n"},
    {"UnterminatedQuoteSwallowsTheRest", "SELECT a FROM t WHERE b = 'x ORDER BY c",
     "core{cols=[a] from=t where=b = 'x ORDER BY c}", "SELECT a\r\nFROM t\r\nWHERE b = 'x ORDER BY c\r\n"},
    {"UnterminatedParenthesisSwallowsTheRest", "SELECT a FROM t WHERE b IN (1, 2 ORDER BY c",
     "core{cols=[a] from=t where=b IN (1, 2 ORDER BY c}",
     "SELECT a\r\nFROM t\r\nWHERE b IN (1, 2 ORDER BY c\r\n"},
    {"UnterminatedBlockCommentIsDropped", "SELECT a FROM t /* WHERE b", "core{cols=[a] from=t}",
     "SELECT a\r\nFROM t\r\n"},
    // A comment is a separator, and one that ends the text still ends the
    // clause before it.
    {"TrailingLineCommentKeepsLastClause", "SELECT a FROM t -- every track", "core{cols=[a] from=t}",
     "SELECT a\r\nFROM t\r\n"},
    {"CommentSeparatesWords", "SELECT a/**/b FROM t WHERE x=1--one\nAND y=2",
     "core{cols=[a AS b] from=t where=x=1 AND y=2}", "SELECT a b\r\nFROM t\r\nWHERE x=1 AND y=2\r\n"},
    // Comment markers inside strings, quoted identifiers and brackets are
    // text: were they comments, the clauses after them would be lost.
    {"LineMarkerInString", "SELECT title FROM t WHERE title <> 'x--y' ORDER BY title",
     "core{cols=[title] from=t where=title <> 'x--y'} order=[title]",
     "SELECT title\r\nFROM t\r\nWHERE title <> 'x--y'\r\nORDER BY title\r\n"},
    {"BlockMarkerInQuotedIdentifier", "SELECT \"a/*b\" FROM t WHERE c = 1 ORDER BY 1",
     "core{cols=[\"a/*b\"] from=t where=c = 1} order=[1]",
     "SELECT \"a/*b\"\r\nFROM t\r\nWHERE c = 1\r\nORDER BY 1\r\n"},
    {"LineMarkerInBrackets", "SELECT [c--d], e FROM t", "core{cols=[[c--d]][e] from=t}",
     "SELECT [c--d],\r\n       e\r\nFROM t\r\n"},
    {"BlockOpenerAndCloserInTwoStrings", "SELECT 'a/*' x, '*/' y FROM t",
     "core{cols=['a/*' AS x]['*/' AS y] from=t}", "SELECT 'a/*' x,\r\n       '*/' y\r\nFROM t\r\n"},
    {"BlockOpenerInBracketsCloserInString", "SELECT [x/*] FROM t WHERE y = '*/' GROUP BY y",
     "core{cols=[[x/*]] from=t where=y = '*/' group=[y]}",
     "SELECT [x/*]\r\nFROM t\r\nWHERE y = '*/'\r\nGROUP BY y\r\n"},
    {"MarkersNextToTheOtherQuote", "SELECT \"it's--\" FROM t WHERE a = '\"--' AND b = 2",
     "core{cols=[\"it's--\"] from=t where=a = '\"--' AND b = 2}",
     "SELECT \"it's--\"\r\nFROM t\r\nWHERE a = '\"--' AND b = 2\r\n"},
    {"RealCommentAfterAQuotedMarker", "SELECT a FROM t WHERE b = '--' -- a real one\nORDER BY a",
     "core{cols=[a] from=t where=b = '--'} order=[a]", "SELECT a\r\nFROM t\r\nWHERE b = '--'\r\nORDER BY a\r\n"},
    // An operator not followed by SELECT opens no core, so what follows it
    // cannot overwrite the core before it; such an operator is not kept.
    {"OperatorWithoutFollowingSelect", "SELECT a FROM t UNION VALUES(1)", "core{cols=[a] from=t}",
     "SELECT a\r\nFROM t\r\n"},
    {"UnionAllAcrossComment", "SELECT a FROM t UNION /* both */ ALL SELECT b FROM u",
     "core{cols=[a] from=t} core{cols=[b] from=u} ops=[UNION ALL]",
     "SELECT a\r\nFROM t\r\nUNION ALL\r\nSELECT b\r\nFROM u\r\n"},
    {"UnionAllEndingTheText", "SELECT a FROM t UNION ALL", "core{cols=[a] from=t}",
     "SELECT a\r\nFROM t\r\n"},
    {"SelectWithoutOperator", "SELECT a SELECT b FROM t", "core{cols=} core{cols=[b] from=t} ops=[]",
     "SELECT\r\nSELECT b\r\nFROM t\r\n"},
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsAndFormats) {
  const SplitCase& c = GetParam();
  const SQLSelect select(c.sql);
  EXPECT_EQ(describe(select), c.parts);
  EXPECT_EQ(select.format(), c.formatted);
  EXPECT_EQ(select.text(), c.sql);
}

TEST_P(SplitTest, FormattedTextSplitsTheSameWay) {
  const SQLSelect select(GetParam().sql);
  if (!select.hasSelect()) return;
  EXPECT_EQ(select.compoundOperators().size() + 1, select.coreCount());
  const SQLSelect again(select.format());
  EXPECT_EQ(describe(again), describe(select));
  EXPECT_EQ(again.format(), select.format());
}

INSTANTIATE_TEST_SUITE_P(Statements, SplitTest, ::testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SQLSelectTest, CoreIsCreatedOnDemand) {
  SQLSelect select("SELECT a FROM t");
  EXPECT_EQ(select.coreCount(), 1u);
  SQLSelect::SelectCore& third = select.core(2);
  EXPECT_EQ(select.coreCount(), 3u);
  EXPECT_TRUE(third.columns().empty());
  EXPECT_EQ(select.core(0).from(), "t");
}

TEST(SQLSelectTest, SettersAreWrittenBack) {
  SQLSelect select("SELECT genre, album FROM MediaLibrary");
  SQLSelect::SelectCore& core = select.core(0);
  core.setColumns("MetaDb_Handle h, upper(x) ");
  core.setWhere("a = 1");
  core.setGroupBy("a,b");
  core.setHaving("count(*) > 1");
  ASSERT_EQ(core.columns().size(), 2u);
  EXPECT_EQ(core.columns()[0].name(), "h");
  EXPECT_EQ(core.groupBy(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(select.format(),
            "SELECT MetaDb_Handle h,\r\n       upper(x)\r\nFROM MediaLibrary\r\nWHERE a = 1\r\n"
            "GROUP BY a,b\r\nHAVING count(*) > 1\r\n");
  core.setGroupBy("");
  EXPECT_TRUE(core.groupBy().empty());
  // HAVING belongs to GROUP BY: without terms it is not written.
  EXPECT_EQ(select.format(), "SELECT MetaDb_Handle h,\r\n       upper(x)\r\nFROM MediaLibrary\r\nWHERE a = 1\r\n");
}

TEST(SelectScannerTest, KeywordMatchNeedsBlanksAround) {
  struct Case {
    const char* text;
    std::size_t pos;
    bool match;
  };
  const Case cases[] = {
      {"FROM t", 0, true},  {"a from t", 2, true}, {"a\tFrOm\nt", 2, true}, {"a FROM", 2, false},
      {"a FROM(t)", 2, false}, {"aFROM t", 1, false}, {"a FROMt", 2, false}, {"a FRO", 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::size_t pos = c.pos;
    EXPECT_EQ(query::matchKeyword(c.text, pos, "FROM"), c.match);
    EXPECT_EQ(pos, c.match ? c.pos + 3 : c.pos);
  }
}

}  // namespace
