#include "console/script_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct EndCase {
  const char* script;
  const char* statements;  // what statementsEnd keeps
};

class StatementsEndTest : public testing::TestWithParam<EndCase> {};

TEST_P(StatementsEndTest, KeepsEverythingUpToTheLastStatement) {
  const std::string script = GetParam().script;
  EXPECT_EQ(script.substr(0, console::statementsEnd(script)), GetParam().statements) << script;
}

INSTANTIATE_TEST_SUITE_P(Scripts, StatementsEndTest, testing::Values(
    EndCase{"", ""},
    EndCase{" \t\r\n", ""},
    EndCase{"-- only a comment", ""},
    EndCase{"/* block */ -- line\n;;", ""},
    EndCase{"/* never closed SELECT 1", ""},
    EndCase{"SELECT 1", "SELECT 1"},
    EndCase{"SELECT 1; -- trailing", "SELECT 1"},
    EndCase{"SELECT 1;\n-- one\n/* two */\n", "SELECT 1"},
    EndCase{"SELECT 1;;", "SELECT 1"},
    EndCase{"SELECT 1 -- no semicolon", "SELECT 1"},
    EndCase{"SELECT 1 - -2", "SELECT 1 - -2"},
    EndCase{"SELECT 4/2 /* half */", "SELECT 4/2"},
    EndCase{"SELECT '--not a comment'", "SELECT '--not a comment'"},
    EndCase{"SELECT 'it''s; /*' -- c", "SELECT 'it''s; /*'"},
    EndCase{"SELECT \"a--b\" FROM t", "SELECT \"a--b\" FROM t"},
    EndCase{"SELECT [x;--] -- c", "SELECT [x;--]"},
    EndCase{"SELECT [a]] -- c", "SELECT [a]]"},  // no doubling inside [...]
    EndCase{"SELECT `a``;` ;", "SELECT `a``;`"},
    EndCase{"SELECT 'open -- c", "SELECT 'open -- c"},
    EndCase{"-- first\nSELECT 2 /* a */; SELECT 3; --", "-- first\nSELECT 2 /* a */; SELECT 3"}));

}  // namespace
