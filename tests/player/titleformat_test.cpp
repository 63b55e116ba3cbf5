// Tests of the title-formatting language: a table of expressions formatted
// for a handful of tracks, a table of texts that must not compile, and the
// limits (nesting, generated text, allocations).
#include "player/titleformat/titleformat.h"

#include "host/track_builder.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

// The replacement functions below pair malloc with free; GCC cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Counts heap allocations made on the calling thread while enabled, to check
// that formatting allocates nothing once the output has capacity.
namespace {
thread_local bool count_allocations = false;
thread_local long allocation_count = 0;
}  // namespace

void* operator new(std::size_t size) {
  if (count_allocations) ++allocation_count;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
// The nothrow forms too (std::stable_sort's buffer uses them): left to the
// runtime, they would pair its allocator with the free() below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (count_allocations) ++allocation_count;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace player::titleformat {
namespace {

using Fields = std::vector<std::pair<std::string, std::vector<std::string>>>;

host::TrackHandle makeTrack(std::string path, Fields meta, Fields tech, double length) {
  host::TrackBuilder builder;
  builder.setPath(path);
  builder.setLength(length);
  for (auto& [name, values] : meta) {
    for (const std::string& value : values) builder.addMeta(name, value);
  }
  for (auto& [name, values] : tech) {
    for (const std::string& value : values) builder.addTech(name, value);
  }
  return builder.build();
}

enum class Which { kPlain, kCompilation, kMulti, kUnicode, kNoInfo };

const host::Track& trackFor(Which which) {
  static const host::TrackHandle plain = makeTrack(
      "file:///music/The Beatles/Abbey Road/01 Come Together.flac",
      {{"Artist", {"The Beatles"}}, {"ALBUM", {"Abbey Road"}}, {"title", {"Come Together"}},
       {"tracknumber", {"1"}}, {"discnumber", {"1/2"}}, {"date", {"1969"}}, {"genre", {"Rock"}}},
      {{"codec", {"FLAC"}}, {"bitrate", {"1000"}}}, 259.6);
  static const host::TrackHandle compilation = makeTrack(
      "file:///music/Various/Now 1/03 - Song.mp3",
      {{"artist", {"Artist A"}}, {"album artist", {"Various Artists"}}, {"title", {"Song"}},
       {"tracknumber", {"3/12"}}},
      {}, 3725.4);
  static const host::TrackHandle multi = makeTrack(
      "/music/x/multi.ogg",
      {{"artist", {"Alpha", "Beta", "Gamma"}}, {"album artist", {"Alpha", "Beta", "Gamma"}},
       {"genre", {"Jazz", "Funk"}}, {"tracknumber", {"07"}}},
      {}, 0.4);
  static const host::TrackHandle unicode = makeTrack(
      "file:///música/Ærø/Ōtsuki.opus",
      {{"artist", {"Мумий Тролль"}}, {"title", {"Über Ölfelder"}}, {"album", {"日本語"}}}, {}, 59.5);
  static const host::TrackHandle no_info = [] {
    host::TrackBuilder builder;
    builder.setPath("file:///music/loose/.hidden");
    return builder.build();
  }();
  switch (which) {
    case Which::kPlain: return *plain;
    case Which::kCompilation: return *compilation;
    case Which::kMulti: return *multi;
    case Which::kUnicode: return *unicode;
    case Which::kNoInfo: return *no_info;
  }
  return *plain;
}

struct FormatCase {
  const char* expression;
  Which track;
  const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.expression; }

class FormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, GivesExpectedText) {
  const FormatCase& c = GetParam();
  std::string error;
  const ScriptPtr script = compile(c.expression, &error);
  ASSERT_NE(script, nullptr) << error;
  std::string out = "left over";
  EXPECT_TRUE(format(*script, trackFor(c.track), out));
  EXPECT_EQ(out, c.expected);
}

constexpr Which P = Which::kPlain;
constexpr Which C = Which::kCompilation;
constexpr Which M = Which::kMulti;
constexpr Which U = Which::kUnicode;
constexpr Which N = Which::kNoInfo;

INSTANTIATE_TEST_SUITE_P(Fields, FormatTest, testing::Values(
    FormatCase{"%artist%", P, "The Beatles"},
    FormatCase{"%ARTIST% / %album%", P, "The Beatles / Abbey Road"},
    FormatCase{"%artist%", M, "Alpha, Beta, Gamma"},
    FormatCase{"%genre%", M, "Jazz, Funk"},
    FormatCase{"<%comment%>", P, "<>"},
    FormatCase{"%codec% %bitrate%", P, "FLAC 1000"},
    FormatCase{"%artist%", N, ""}));

INSTANTIATE_TEST_SUITE_P(SpecialFields, FormatTest, testing::Values(
    FormatCase{"%path%", P, "/music/The Beatles/Abbey Road/01 Come Together.flac"},
    FormatCase{"%path%", M, "/music/x/multi.ogg"},
    FormatCase{"%filename%", P, "01 Come Together"},
    FormatCase{"%filename%", N, ".hidden"},
    FormatCase{"%filename_ext%", P, "01 Come Together.flac"},
    FormatCase{"%directoryname%", P, "Abbey Road"},
    FormatCase{"%directoryname%", U, "Ærø"},
    FormatCase{"%length%", P, "4:20"},
    FormatCase{"%length%", C, "1:02:05"},
    FormatCase{"%length%", M, "0:00"},
    FormatCase{"%length%", U, "1:00"},
    FormatCase{"[%length%]", N, ""},
    FormatCase{"%length_seconds%", C, "3725"},
    FormatCase{"%album artist%", P, "The Beatles"},
    FormatCase{"%Album Artist%", C, "Various Artists"},
    FormatCase{"%album artist%", N, ""},
    FormatCase{"[%track artist%]", P, ""},
    FormatCase{"%track artist%", C, "Artist A"},
    FormatCase{"[%track artist%]", M, ""},
    FormatCase{"%title%", P, "Come Together"},
    FormatCase{"%title%", M, "multi"},
    FormatCase{"%tracknumber%", P, "01"},
    FormatCase{"%tracknumber%", C, "03"},
    FormatCase{"%tracknumber%", M, "07"},
    FormatCase{"%discnumber%", P, "1"}));

INSTANTIATE_TEST_SUITE_P(Syntax, FormatTest, testing::Values(
    FormatCase{"plain text", P, "plain text"},
    FormatCase{"'%artist%'", P, "%artist%"},
    FormatCase{"'it''s'", P, "it's"},
    FormatCase{"it''s", P, "it's"},
    FormatCase{"100%%", P, "100%"},
    FormatCase{"'['x']' '$'5", P, "[x] $5"},
    FormatCase{"%title% (live), again)", P, "Come Together (live), again)"},
    FormatCase{"", P, ""}));

INSTANTIATE_TEST_SUITE_P(Brackets, FormatTest, testing::Values(
    FormatCase{"[%album artist% - ]%title%", C, "Various Artists - Song"},
    FormatCase{"[%comment% - ]%title%", P, "Come Together"},
    FormatCase{"[abc]", P, "abc"},
    FormatCase{"[%comment%%date%]", P, "1969"},
    FormatCase{"[(%date%)]", M, ""},
    FormatCase{"[x[%comment%]y]", P, ""},
    FormatCase{"[%artist%[ (%comment%)]]", P, "The Beatles"},
    FormatCase{"[%artist%[ (%date%)]]", P, "The Beatles (1969)"},
    FormatCase{"[$upper(%comment%)]x", P, "x"},
    FormatCase{"[$upper(%artist%)]", P, "THE BEATLES"},
    FormatCase{"[$if2(%comment%,none)]", P, ""},
    FormatCase{"[$meta(comment)]-", P, "-"}));

INSTANTIATE_TEST_SUITE_P(Conditions, FormatTest, testing::Values(
    FormatCase{"$if(%date%,yes,no)", P, "yes"},
    FormatCase{"$if(%date%,yes,no)", M, "no"},
    FormatCase{"$if(%date%,yes)", M, ""},
    FormatCase{"$if(abc,yes,no)", P, "no"},
    FormatCase{"$if(,yes,no)", P, "no"},
    FormatCase{"$if2(%comment%,none)", P, "none"},
    FormatCase{"$if2(%artist%,none)", P, "The Beatles"},
    FormatCase{"$if3(%comment%,%album artist%,x)", C, "Various Artists"},
    FormatCase{"$if3(%comment%,%foo%,none)", P, "none"},
    FormatCase{"$if($and(%artist%,%date%),y,n)", P, "y"},
    FormatCase{"$if($and(%artist%,%date%),y,n)", M, "n"},
    FormatCase{"$if($or(%comment%,%date%),y,n)", P, "y"},
    FormatCase{"$if($not(%comment%),y,n)", P, "y"},
    FormatCase{"$and(%artist%)$or(%artist%)$not(%x%)x", P, "x"},
    FormatCase{"$if($strcmp(%artist%,The Beatles),y,n)", P, "y"},
    FormatCase{"$if($strcmp(%artist%,the beatles),y,n)", P, "n"},
    FormatCase{"$if($stricmp(%artist%,the beatles),y,n)", P, "y"},
    FormatCase{"$if($stricmp(ÖLFELDER,ölfelder),y,n)", P, "y"},
    FormatCase{"$if($greater(10,9),y,n)$if($greater(9,10),y,n)", P, "yn"},
    FormatCase{"$if($less(9,10),y,n)", P, "y"},
    FormatCase{"$if($len(%comment%),a,b)$if($upper(%artist%),a,b)", P, "ba"},
    FormatCase{"$if(%date%,(%date%),x)", P, "(1969)"},
    FormatCase{"$if(%date%,a(b,c)d,x)", P, "a(b,c)d"},
    FormatCase{"$if(%date%,'a,b',x)", P, "a,b"},
    FormatCase{"$IF(%date%,yes,no)", P, "yes"}));

INSTANTIATE_TEST_SUITE_P(TextFunctions, FormatTest, testing::Values(
    FormatCase{"$upper(%title%)", U, "ÜBER ÖLFELDER"},
    FormatCase{"$lower(%artist%)", U, "мумий тролль"},
    FormatCase{"$caps(hello wORLD (live))", P, "Hello World (Live)"},
    FormatCase{"$left(%title%,4)", U, "Über"},
    FormatCase{"$left(abc,0)$left(abc,-1)|$left(abc,10)", P, "|abc"},
    FormatCase{"$right(%album%,2)", U, "本語"},
    FormatCase{"$right(abc,0)|$right(abc,9)", P, "|abc"},
    FormatCase{"$substr(日本語テキスト,2,3)", P, "本語"},
    FormatCase{"$substr(abc,0,1)|$substr(abc,3,2)|$substr(abc,2,99)", P, "a||bc"},
    FormatCase{"$len(%title%) $len(%album%) $len(%comment%)", U, "13 3 0"},
    FormatCase{"<$trim(  a b  )>", P, "<a b>"},
    FormatCase{"$pad(ab,4)|$pad(ab,4,.)|$pad_right(ab,4)|$pad_right(7,3,0)", P, "ab  |ab..|  ab|007"},
    FormatCase{"$pad(日本,3,語語)|$pad(abcdef,3)|$pad(ab,-2)", P, "日本語|abcdef|ab"},
    FormatCase{"$repeat(ab,3)|$repeat(ab,0)|$repeat(,5)", P, "ababab||"},
    FormatCase{"$replace(a-b-c,-,+)", P, "a+b+c"},
    FormatCase{"$replace(abc,a,b,b,c)", P, "ccc"},
    FormatCase{"$replace(abc,,x)", P, "abc"},
    FormatCase{"$replace(%artist%,The ,)", P, "Beatles"},
    FormatCase{"$strstr(abcabc,ca) $strstr(日本語,語) $strstr(abc,x) $strstr(abc,)", P, "3 3 0 0"},
    FormatCase{"$stripprefix(%artist%)", P, "Beatles, The"},
    FormatCase{"$stripprefix(%album artist%)", C, "Various Artists"},
    FormatCase{"$stripprefix(A Tribe Called Quest)", P, "Tribe Called Quest, A"},
    FormatCase{"$stripprefix(the beatles)", P, "beatles, the"},
    FormatCase{"$stripprefix(Theatre)|$stripprefix(The)|$stripprefix(The )", P, "Theatre|The|The "},
    FormatCase{"$stripprefix(Die Ärzte,Der,Die)", P, "Ärzte, Die"},
    FormatCase{"$stripprefix(The Beatles,Die)", P, "The Beatles"},
    FormatCase{"$firstalphachar(%artist%)$firstalphachar(beatles)$firstalphachar(élan)", P, "TBÉ"},
    FormatCase{"$firstalphachar(%artist%)", U, "М"},
    FormatCase{"$firstalphachar(2Pac)|$firstalphachar(2Pac,0-9)|$firstalphachar(%x%)", P, "#|0-9|#"},
    FormatCase{"$firstalphachar(“Quoted”)", P, "#"},
    FormatCase{"$upper($left(%artist%,3))", P, "THE"},
    FormatCase{"$upper(live (1996))", P, "LIVE (1996)"}));

INSTANTIATE_TEST_SUITE_P(PathAndMetaFunctions, FormatTest, testing::Values(
    FormatCase{"$directory(%path%)|$directory(%path%,2)|$directory(%path%,9)", P,
               "Abbey Road|The Beatles|"},
    FormatCase{"$directory(C:\\Music\\a.flac)", P, "Music"},
    FormatCase{"$ext(%path%)|$ext(a.tar.gz)|$ext(.hidden)|$ext(noext)", P, "flac|gz||"},
    FormatCase{"$filename(%path%)", P, "01 Come Together"},
    FormatCase{"$meta(artist)", M, "Alpha, Beta, Gamma"},
    FormatCase{"$meta(artist,1)|$meta(artist,3)|$meta(artist,-1)", M, "Beta||"},
    FormatCase{"$meta(album artist)", C, "Various Artists"},
    FormatCase{"<$meta('album artist')>", P, "<>"},
    FormatCase{"<$meta(title)>", M, "<>"},
    FormatCase{"$meta_sep(artist, / )", M, "Alpha / Beta / Gamma"},
    FormatCase{"$meta_num(artist) $meta_num(comment)", M, "3 0"},
    FormatCase{"$if($meta_num(comment),y,n)", M, "n"}));

INSTANTIATE_TEST_SUITE_P(Numbers, FormatTest, testing::Values(
    FormatCase{"$num(7,3)|$num(%tracknumber%,3)|$num(-5,3)|$num(abc,2)", C, "007|003|-005|00"},
    FormatCase{"$add(1,2,3) $sub(10,3,2) $mul(-4,5) $div(7,2) $mod(7,3)", P, "6 5 -20 3 1"},
    FormatCase{"$div(7,0) $mod(7,0) $div(0,0)", P, "7 7 0"},
    FormatCase{"$div(-9223372036854775808,-1) $mod(-9223372036854775808,-1)", P,
               "-9223372036854775808 0"},
    FormatCase{"$add(9223372036854775807,1)", P, "-9223372036854775808"},
    FormatCase{"$add(99999999999999999999,0)", P, "9223372036854775807"},
    FormatCase{"$max(3,9,4) $min(3,9,4)", P, "9 3"},
    FormatCase{"$add(%tracknumber%,1) $add(x,1) $add( +4,-1)", C, "4 1 3"},
    FormatCase{"$if($add(%comment%,1),y,n)$if($add(%tracknumber%,1),y,n)", C, "ny"}));

struct MalformedCase {
  const char* expression;
  const char* message;  // the error must contain this
};

void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.expression; }

class MalformedTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedTest, FailsToCompileWithPosition) {
  std::string error;
  EXPECT_EQ(compile(GetParam().expression, &error), nullptr);
  EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
  EXPECT_EQ(compile(GetParam().expression), nullptr);  // no error text wanted
}

INSTANTIATE_TEST_SUITE_P(Syntax, MalformedTest, testing::Values(
    MalformedCase{"%artist", "unterminated field at position 1"},
    MalformedCase{"ab%artist", "unterminated field at position 3"},
    MalformedCase{"'abc", "unterminated quote at position 1"},
    MalformedCase{"'it''s", "unterminated quote at position 1"},
    MalformedCase{"[abc", "unmatched '[' at position 1"},
    MalformedCase{"[a[b]", "unmatched '[' at position 1"},
    MalformedCase{"abc]", "unmatched ']' at position 4"},
    MalformedCase{"[$upper(a]b)]", "unmatched ']' at position 10"},
    MalformedCase{"日本[語", "unmatched '[' at position 3"},
    MalformedCase{"$upper(abc", "unmatched '(' at position 7"},
    MalformedCase{"$upper(a(b)", "unmatched '(' at position 7"},
    MalformedCase{"$if(%a%,$upper(x)", "unmatched '(' at position 4"},
    MalformedCase{"$upper", "expected '(' after $upper at position 7"},
    MalformedCase{"$upper (a)", "expected '(' after $upper at position 7"},
    MalformedCase{"5$", "expected a function name after '$' at position 2"},
    MalformedCase{"$(a)", "expected a function name after '$' at position 1"},
    MalformedCase{"x$nosuch(a)", "unknown function $nosuch at position 2"}));

INSTANTIATE_TEST_SUITE_P(Arguments, MalformedTest, testing::Values(
    MalformedCase{"$left(a)", "$left expects 2 arguments, got 1 at position 1"},
    MalformedCase{"$if(a)", "$if expects 2 to 3 arguments, got 1"},
    MalformedCase{"$if(a,b,c,d)", "$if expects 2 to 3 arguments, got 4"},
    MalformedCase{"$len()", "$len expects 1 argument, got 0"},
    MalformedCase{"$len(a,)", "$len expects 1 argument, got 2"},
    MalformedCase{"$add(1)", "$add expects at least 2 arguments, got 1"},
    MalformedCase{"$replace(a,b)", "$replace expects a text and pairs"},
    MalformedCase{"$replace(a,b,c,d)", "$replace expects a text and pairs"},
    MalformedCase{"$meta(%artist%)", "$meta expects a field name as its first argument"},
    MalformedCase{"$meta(,1)", "$meta expects a field name as its first argument at position 1"},
    MalformedCase{"$meta_sep(a$upper(b),x)", "$meta_sep expects a field name"}));

TEST(TitleFormatNesting, AcceptsTheDeepestAllowedNesting) {
  const std::string brackets = std::string(kMaxDepth, '[') + "%artist%" + std::string(kMaxDepth, ']');
  std::string calls;
  for (int i = 0; i < kMaxDepth; ++i) calls += "$upper(";
  calls += "%artist%" + std::string(kMaxDepth, ')');
  std::string out;
  for (const std::string& text : {brackets, calls}) {
    std::string error;
    const ScriptPtr script = compile(text, &error);
    ASSERT_NE(script, nullptr) << error;
    EXPECT_TRUE(format(*script, trackFor(Which::kPlain), out));
  }
  EXPECT_EQ(out, "THE BEATLES");
}

TEST(TitleFormatNesting, RejectsDeeperNestingWithoutOverflowingTheStack) {
  std::string calls;
  for (int i = 0; i < 10000; ++i) calls += "$if(%a%,";
  const std::pair<std::string, std::string> cases[] = {
      {std::string(kMaxDepth + 1, '[') + std::string(kMaxDepth + 1, ']'), "position 257"},
      {std::string(10000, '['), "position 257"},
      {std::string(10000, '[') + std::string(10000, ']'), "position 257"},
      {calls, "position 2049"},  // the 257th "$if(%a%,"
  };
  for (const auto& [text, position] : cases) {
    std::string error;
    EXPECT_EQ(compile(text, &error), nullptr);
    EXPECT_EQ(error, "nesting too deep at " + position);
  }
}

// A quarter of a megabyte of stack, about five times what the deepest script
// needs; AddressSanitizer's larger frames get more.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kSmallStack = 8u << 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t kSmallStack = 8u << 20;
#else
constexpr std::size_t kSmallStack = 256u << 10;
#endif
#else
constexpr std::size_t kSmallStack = 256u << 10;
#endif

// The deepest script formats within a small thread stack, which bounds how
// much stack one nesting level may take.
TEST(TitleFormatNesting, FormatsTheDeepestScriptOnASmallStack) {
  std::string text;
  for (int i = 0; i < kMaxDepth / 2; ++i) text += "$if([%artist%],$replace(";
  text += "%artist%";
  for (int i = 0; i < kMaxDepth / 2; ++i) text += ",ea,ee))";
  static ScriptPtr script;
  script = compile(text);
  ASSERT_NE(script, nullptr);
  static std::string out;
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kSmallStack);
  pthread_t thread;
  auto run = [](void*) -> void* {
    format(*script, trackFor(Which::kPlain), out);
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, nullptr), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(out, "The Beetles");
}

TEST(TitleFormatLimits, FailsWhenGeneratedTextWouldPassTheLimit) {
  const char* texts[] = {
      "$pad(x,2000000)",
      "$pad_right(x,9223372036854775807,é)",
      "$num(1,2000000)",
      "$repeat(abcdefgh,200000)",
      "$repeat($repeat(abcdefgh,1000),1000)",
      "$replace($repeat(a,1000),a,$repeat(b,2000))",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    const ScriptPtr script = compile(text);
    ASSERT_NE(script, nullptr);
    std::string out = "junk";
    EXPECT_FALSE(format(*script, trackFor(Which::kPlain), out));
    EXPECT_TRUE(out.empty());
  }
  // Just below the limit is fine.
  std::string out;
  EXPECT_TRUE(format(*compile("$pad(x,1000000)"), trackFor(Which::kPlain), out));
  EXPECT_EQ(out.size(), 1000000u);
}

TEST(TitleFormatHost, ScriptPassesThroughTheHostInterface) {
  const host::TitleFormatScriptPtr script = compile("$stripprefix(%artist%)");
  ASSERT_NE(script, nullptr);
  std::string out;
  EXPECT_TRUE(format(*script, trackFor(Which::kPlain), out));
  EXPECT_EQ(out, "Beatles, The");

  class ForeignScript : public host::TitleFormatScript {};
  out = "junk";
  EXPECT_FALSE(format(ForeignScript(), trackFor(Which::kPlain), out));
  EXPECT_TRUE(out.empty());
}

TEST(TitleFormatPerformance, FormattingAllocatesNothingOnceTheOutputHasCapacity) {
  const ScriptPtr script = compile(
      "[%album artist% - ]$stripprefix(%artist%) $upper($left(%title%,3)) $pad($num(%tracknumber%,3),5) "
      "$replace(%path%,/,\\) $meta_sep(genre,+) $caps(%album%) %length% $add(%date%,1)");
  ASSERT_NE(script, nullptr);
  std::string out;
  const Which tracks[] = {Which::kPlain, Which::kCompilation, Which::kMulti, Which::kUnicode,
                          Which::kNoInfo};
  for (Which which : tracks) format(*script, trackFor(which), out);  // warm up
  allocation_count = 0;
  count_allocations = true;
  for (int round = 0; round < 10; ++round) {
    for (Which which : tracks) format(*script, trackFor(which), out);
  }
  count_allocations = false;
  EXPECT_EQ(allocation_count, 0);
}

}  // namespace
}  // namespace player::titleformat
