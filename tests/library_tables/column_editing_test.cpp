#include "library_tables/column_editing.h"

#include <gtest/gtest.h>

#include "library_fixture.h"
#include "library_tables/column_store.h"

namespace library_tables_testing {
namespace {

using library_tables::ColumnType;
using library_tables::EditorType;
using library_tables::SQLiteMetaDBVTabColumn;
using library_tables::TableType;
using library_tables::VTabColumns;
using library_tables::VTabColumnStore;

struct KindCase {
  EditorType type;
  const char* name;
  ColumnType kind;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << static_cast<int>(c.type) << " " << c.name; }

class EditorKindTest : public testing::TestWithParam<KindCase> {};

TEST_P(EditorKindTest, TypeAndNameGiveTheStoredKind) {
  EXPECT_EQ(library_tables::editorKind(GetParam().type, GetParam().name), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EditorKindTest,
    testing::Values(KindCase{EditorType::kTag, "length", ColumnType::kTag},
                    KindCase{EditorType::kTechInfo, "codec", ColumnType::kTechInfo},
                    KindCase{EditorType::kTFExpression, "x", ColumnType::kTFExpression},
                    KindCase{EditorType::kPredefined, "length", ColumnType::kInfoText},
                    KindCase{EditorType::kPredefined, "length_seconds", ColumnType::kInfoReal},
                    KindCase{EditorType::kPredefined, "path", ColumnType::kFileText},
                    KindCase{EditorType::kPredefined, "subsong", ColumnType::kFileInteger},
                    KindCase{EditorType::kPredefined, "playlist_name", ColumnType::kPlaylistText},
                    KindCase{EditorType::kPredefined, "playlist_item", ColumnType::kPlaylistInteger},
                    // Exact comparison; a name found nowhere is an expression.
                    KindCase{EditorType::kPredefined, "Path", ColumnType::kTFExpression},
                    KindCase{EditorType::kPredefined, "album", ColumnType::kTFExpression}));

TEST(EditorTypeOf, OnlyTheFirstThreeKindsShowAsThemselves) {
  EXPECT_EQ(library_tables::editorTypeOf(ColumnType::kTag), EditorType::kTag);
  EXPECT_EQ(library_tables::editorTypeOf(ColumnType::kTechInfo), EditorType::kTechInfo);
  EXPECT_EQ(library_tables::editorTypeOf(ColumnType::kTFExpression), EditorType::kTFExpression);
  for (int32_t kind = 3; kind < library_tables::kColumnTypeCount; ++kind) {
    EXPECT_EQ(library_tables::editorTypeOf(static_cast<ColumnType>(kind)), EditorType::kPredefined) << kind;
  }
}

TEST(PredefinedEditorNames, PlaylistNamesOnlyOnThePlaylistPage) {
  const auto library = library_tables::predefinedEditorNames(TableType::kMediaLibrary);
  const auto playlist = library_tables::predefinedEditorNames(TableType::kPlaylist);
  auto has = [](const std::vector<std::string_view>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  EXPECT_EQ(library.front(), "length");
  EXPECT_TRUE(has(library, "filesize"));
  EXPECT_FALSE(has(library, "playlist_name"));
  EXPECT_FALSE(has(library, "album"));  // a tag, not a predefined name
  EXPECT_EQ(playlist.size(), library.size() + 3);
  EXPECT_EQ(playlist.back(), "playlist_item");
}

class ColumnEditingTest : public LibraryTablesTest {
 protected:
  SQLiteMetaDBVTabColumn column(const std::string& name, ColumnType kind = ColumnType::kTag) {
    return SQLiteMetaDBVTabColumn(host_, "NaturalNoCase", name, kind, false, "", " \xC2\xB7 ", "", "");
  }
  VTabColumns list() {
    VTabColumns copy;
    library_tables::copyColumns(VTabColumnStore::instance().columns(TableType::kMediaLibrary, database(), true), copy);
    return copy;
  }
};

TEST_F(ColumnEditingTest, AddStoresTheNameInLowerCaseAndRefusesEmptyAndTakenNames) {
  VTabColumns columns = list();
  const std::size_t before = columns.size();
  EXPECT_EQ(library_tables::addEditedColumn(columns, column("Mood")), "");
  ASSERT_EQ(columns.size(), before + 1);
  EXPECT_EQ(columns.back().name(), "mood");
  EXPECT_EQ(library_tables::addEditedColumn(columns, column("MOOD")), "A column with the name \"mood\" already exists.");
  EXPECT_EQ(library_tables::addEditedColumn(columns, column("")), "The name cannot be empty.");
  EXPECT_EQ(columns.size(), before + 1);
}

TEST_F(ColumnEditingTest, EditKeepsItsOwnNameAndRefusesAnother) {
  VTabColumns columns = list();
  const auto index = static_cast<std::size_t>(library_tables::findColumn(columns, "genre"));
  SQLiteMetaDBVTabColumn edited(columns[index]);
  edited.setName("Artist");
  EXPECT_EQ(library_tables::replaceEditedColumn(columns, index, edited),
            "A column with the name \"artist\" already exists.");
  EXPECT_EQ(columns[index].name(), "genre");

  edited.setName("genre");
  edited.setSplitMultiValueTag(true);
  EXPECT_EQ(library_tables::replaceEditedColumn(columns, index, edited), "");
  // The edited column stands last until the next reload.
  EXPECT_EQ(columns.back().name(), "genre");
  EXPECT_TRUE(columns.back().splitMultiValueTag());
  EXPECT_EQ(library_tables::findColumn(columns, "genre"), static_cast<int32_t>(columns.size() - 1));
}

TEST_F(ColumnEditingTest, AddDefaultsTwiceAddsNothingTheSecondTime) {
  VTabColumns columns = list();
  const auto index = static_cast<std::size_t>(library_tables::findColumn(columns, "genre"));
  columns.removeAt(index);
  VTabColumns defaults;
  VTabColumnStore::instance().defaultColumns(TableType::kMediaLibrary, host_, defaults);
  EXPECT_EQ(library_tables::addMissingColumns(columns, defaults), 1u);
  EXPECT_EQ(columns.back().name(), "genre");
  EXPECT_EQ(library_tables::addMissingColumns(columns, defaults), 0u);
}

TEST_F(ColumnEditingTest, ApplyStoresRebuildsAndReloadsInNameOrder) {
  VTabColumns columns = list();
  ASSERT_EQ(library_tables::addEditedColumn(columns, column("AAA", ColumnType::kTFExpression)), "");
  columns.back().setExpression("x%title%");
  EXPECT_EQ(library_tables::applyColumnList(TableType::kMediaLibrary, columns, database()), "");
  // Reloaded: ordered by name, so the new column comes first after the built-in one.
  ASSERT_GT(columns.size(), 1u);
  EXPECT_EQ(columns[1].name(), "%album artist%");
  EXPECT_GE(library_tables::findColumn(columns, "aaa"), 0);
  EXPECT_EQ(rows("SELECT count(*) FROM mdb_VTableColumn WHERE vtc_column_name='aaa'"), "1;");
  // The table was rebuilt with the column.
  EXPECT_EQ(error("SELECT aaa FROM MediaLibrary"), "");
}

TEST_F(ColumnEditingTest, ApplyOfTooManyColumnsGivesThePagesMessage) {
  VTabColumns columns = list();
  for (int i = 0; i < 2100; ++i) {
    ASSERT_EQ(library_tables::addEditedColumn(columns, column("c" + std::to_string(i))), "");
  }
  const std::string message = library_tables::applyColumnList(TableType::kMediaLibrary, columns, database());
  EXPECT_EQ(message.rfind("Unable to rebuild the virtual tables.\n\nThe following error occured:", 0), 0u) << message;
}

}  // namespace
}  // namespace library_tables_testing
