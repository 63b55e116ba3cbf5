#include "app/option_values.h"

#include <gtest/gtest.h>

#include "app/node_lookup.h"
#include "app/tree_output.h"

namespace {

using app::parseActionCode;

struct ActionCase {
  const char* text;
  int code;  // -1: refused
};

void PrintTo(const ActionCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ActionCodeTest : public testing::TestWithParam<ActionCase> {};

TEST_P(ActionCodeTest, NamesAndCodes) {
  std::string error;
  const auto code = parseActionCode("--click", GetParam().text, &error);
  if (GetParam().code < 0) {
    EXPECT_FALSE(code);
    EXPECT_NE(error.find("--click"), std::string::npos) << error;
    EXPECT_NE(error.find("send-target (9)"), std::string::npos) << error;
  } else {
    ASSERT_TRUE(code) << error;
    EXPECT_EQ(*code, GetParam().code);
  }
}

INSTANTIATE_TEST_SUITE_P(Actions, ActionCodeTest,
                         testing::Values(ActionCase{"none", 0}, ActionCase{"add-active", 1},
                                         ActionCase{"add-playing", 2}, ActionCase{"add-target", 3},
                                         ActionCase{"insert-active", 4}, ActionCase{"insert-playing", 5},
                                         ActionCase{"insert-target", 6}, ActionCase{"send-active", 7},
                                         ActionCase{"send-playing", 8}, ActionCase{"send-target", 9},
                                         ActionCase{"execute-sql", 10}, ActionCase{"console", 11},
                                         ActionCase{"0", 0}, ActionCase{"11", 11}, ActionCase{"12", -1},
                                         ActionCase{"255", -1}, ActionCase{"-1", -1}, ActionCase{"Send-Target", -1},
                                         ActionCase{"", -1}, ActionCase{" 3", -1}));

struct NumberCase {
  const char* text;
  uint64_t min;
  uint64_t max;
  std::optional<uint64_t> expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.text << "\" in " << c.min << ".." << c.max; }

class NumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberTest, RangeAndForm) {
  std::string error;
  const auto value = app::parseNumber("--limit", GetParam().text, GetParam().min, GetParam().max, &error);
  EXPECT_EQ(value, GetParam().expected);
  if (!GetParam().expected) {
    EXPECT_NE(error.find("from " + std::to_string(GetParam().min) + " to " + std::to_string(GetParam().max)),
              std::string::npos)
        << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, NumberTest,
    testing::Values(NumberCase{"0", 0, 10, 0}, NumberCase{"10", 0, 10, 10}, NumberCase{"11", 0, 10, std::nullopt},
                    NumberCase{"0", 1, 10, std::nullopt}, NumberCase{"-1", 0, 10, std::nullopt},
                    NumberCase{"+1", 0, 10, std::nullopt}, NumberCase{"abc", 0, 10, std::nullopt},
                    NumberCase{"1x", 0, 10, std::nullopt}, NumberCase{"", 0, 10, std::nullopt},
                    NumberCase{"18446744073709551615", 0, UINT64_MAX, UINT64_MAX},
                    NumberCase{"18446744073709551616", 0, UINT64_MAX, std::nullopt},
                    NumberCase{"99999999999", 0, UINT32_MAX, std::nullopt}));

TEST(NodeLimitOption, NoneZeroAndNumbers) {
  std::string error;
  EXPECT_EQ(app::parseNodeLimitOption("none", &error), UINT32_MAX);
  EXPECT_EQ(app::parseNodeLimitOption("0", &error), UINT32_MAX);
  EXPECT_EQ(app::parseNodeLimitOption("250", &error), 250u);
  EXPECT_EQ(app::parseNodeLimitOption("4294967295", &error), UINT32_MAX);
  EXPECT_FALSE(app::parseNodeLimitOption("4294967296", &error));
  EXPECT_NE(error.find("or none"), std::string::npos) << error;
}

struct ColourCase {
  const char* text;
  std::optional<tree::Colour> stored;
};

void PrintTo(const ColourCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ColourTest : public testing::TestWithParam<ColourCase> {};

TEST_P(ColourTest, RgbTextAsStoredValue) {
  std::string error;
  const auto colour = app::parseColour("--color-text", GetParam().text, &error);
  EXPECT_EQ(colour, GetParam().stored);
  if (colour) {
    // Written back the same way, in lower case.
    std::string text = GetParam().text;
    if (text.front() != '#') text.insert(0, "#");
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(app::colourText(*colour), text);
  } else {
    EXPECT_NE(error.find("--color-text"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Colours, ColourTest,
                         testing::Values(ColourCase{"#ff0000", 0x0000FF}, ColourCase{"#0000ff", 0xFF0000},
                                         ColourCase{"#12AB34", 0x34AB12}, ColourCase{"00ff00", 0x00FF00},
                                         ColourCase{"#fff", std::nullopt}, ColourCase{"#gg0000", std::nullopt},
                                         ColourCase{"#ff00001", std::nullopt}, ColourCase{"", std::nullopt}));

TEST(ItemCount, NamesAndCodes) {
  std::string error;
  const std::pair<const char*, int> cases[] = {{"none", 0}, {"subitems", 1}, {"leaves", 2}, {"0", 0},
                                               {"1", 1},    {"2", 2},        {"3", -1},     {"Leaves", -1}};
  for (const auto& [text, mode] : cases) {
    const auto parsed = app::parseItemCount(text, &error);
    if (mode < 0) {
      EXPECT_FALSE(parsed) << text;
    } else {
      EXPECT_EQ(parsed, mode) << text;
      EXPECT_EQ(app::parseItemCount(app::itemCountName(static_cast<uint8_t>(mode)), &error), mode);
    }
  }
}

struct PathCase {
  const char* path;
  std::vector<std::string> labels;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << '"' << c.path << '"'; }

class NodePathTest : public testing::TestWithParam<PathCase> {};

TEST_P(NodePathTest, Splits) { EXPECT_EQ(app::splitNodePath(GetParam().path), GetParam().labels); }

TEST_P(NodePathTest, JoinsBack) {
  const std::vector<std::string>& labels = GetParam().labels;
  // Every label list survives a round trip through its written path.
  EXPECT_EQ(app::splitNodePath(app::joinNodePath(labels)), labels);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, NodePathTest,
    testing::Values(PathCase{"", {}}, PathCase{"/", {}}, PathCase{"Mine", {"Mine"}}, PathCase{"/Mine", {"Mine"}},
                    PathCase{"Mine/Rock", {"Mine", "Rock"}}, PathCase{"AC\\/DC", {"AC/DC"}},
                    PathCase{"a\\\\b", {"a\\b"}}, PathCase{"a\\\\/b", {"a\\", "b"}},
                    PathCase{"a\\\\\\/b", {"a\\/b"}}, PathCase{"trail\\", {"trail\\"}},
                    PathCase{"a\\x", {"a\\x"}}, PathCase{"Mine//Rock", {"Mine", "", "Rock"}},
                    PathCase{"Mine/", {"Mine", ""}}, PathCase{"//", {"", ""}}));

}  // namespace
