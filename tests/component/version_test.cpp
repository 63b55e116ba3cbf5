// The panel layer's version check and the start-up popup.
#include <gtest/gtest.h>

#include <vector>

#include "component/version.h"

namespace {

using component::ComponentVersion;
using component::panelLayerVersionPasses;

struct VersionCase {
  const char* version;
  bool passes;
};

class PanelLayerVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(PanelLayerVersion, PassesFromTheRequiredVersionOn) {
  const std::vector<ComponentVersion> installed = {{"Framix", GetParam().version, ""}};
  EXPECT_EQ(panelLayerVersionPasses(installed), GetParam().passes) << GetParam().version;
}

INSTANTIATE_TEST_SUITE_P(Table, PanelLayerVersion,
                         ::testing::Values(VersionCase{"0.3.8.8", true}, VersionCase{"0.3.9", true},
                                           VersionCase{"0.4", true}, VersionCase{"1.0", true},
                                           VersionCase{"0.3.8.10", true}, VersionCase{"0.3.8.8beta", true},
                                           VersionCase{"0.3.8.7", false}, VersionCase{"0.3.7.9", false},
                                           VersionCase{"0.3.8", false}, VersionCase{"0.3.8.", false},
                                           VersionCase{"0.2.99", false}, VersionCase{"", false},
                                           VersionCase{"0..9", false},
                                           VersionCase{"99999999999999999999999.0", true}));

TEST(PanelLayerVersionList, AnUndecidedVersionGivesWayToTheNextComponentOfThatName) {
  const std::vector<ComponentVersion> installed = {
      {"Framix", "0.3.8", ""}, {"Other", "9.9", ""}, {"Framix", "0.3.9", ""}};
  EXPECT_TRUE(panelLayerVersionPasses(installed));
}

TEST(PanelLayerVersionList, ADecidedFailureIsFinal) {
  const std::vector<ComponentVersion> installed = {{"Framix", "0.3.8.7", ""}, {"Framix", "1.0", ""}};
  EXPECT_FALSE(panelLayerVersionPasses(installed));
}

TEST(PanelLayerVersionList, TheNameMustMatchExactly) {
  EXPECT_FALSE(panelLayerVersionPasses(std::vector<ComponentVersion>{{"framix", "1.0", ""}}));
  EXPECT_FALSE(panelLayerVersionPasses(std::vector<ComponentVersion>{{"Framix ", "1.0", ""}}));
  EXPECT_FALSE(panelLayerVersionPasses(std::vector<ComponentVersion>{}));
}

TEST(StartUpPopup, NamesTheRequiredVersionAndTheComponent) {
  EXPECT_EQ(component::startUpPopupText(),
            "You have not installed the correct version of Framix.\n"
            "Framix version 0.3.8.8 or higher is required\n\n"
            "vostrel will not work without it.");
}

TEST(VersionRecord, NameVersionAndAboutText) {
  const ComponentVersion& record = component::vostrelVersion();
  EXPECT_EQ(record.name, "Vostrel");
  EXPECT_EQ(record.version, "1.0.3");
  EXPECT_EQ(record.about.rfind("Tree based library viewer with SQL queries for Framix\n", 0), 0u);
  EXPECT_NE(record.about.find("\n\n\nThanks to the authors of SQLite (https://www.sqlite.org/)"), std::string::npos);
}

}  // namespace
