// The XML settings reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "router/param_base2.h"

namespace {

namespace fs = std::filesystem;

class ParamBase2Test : public ::testing::Test {
 protected:
  std::string Write(const std::string& content) {
    const std::string path = (fs::temp_directory_path() / ("param-base2-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".xml")).string();
    std::ofstream(path, std::ios::binary) << content;
    paths_.push_back(path);
    return path;
  }
  void TearDown() override {
    for (const auto& path : paths_) fs::remove(path);
  }
  std::vector<std::string> paths_;
};

TEST_F(ParamBase2Test, NodePathsWalkChildElementsByName) {
  const cPARAMBASE2 settings(Write("<?xml version=\"1.0\"?><!-- c --><Root><Quill><ImportPath>/a</ImportPath></Quill>"
                                   "<Quill2><ImportPath>/b</ImportPath><x><y>deep</y></x></Quill2></Root>"));
  ASSERT_FALSE(settings.root.empty());
  EXPECT_STREQ(settings.root.name(), "Root");
  EXPECT_EQ(settings.errorText, "");
  EXPECT_EQ(settings.NodeText(settings.GetNode("Quill/ImportPath")), "/a");
  EXPECT_EQ(settings.NodeText(settings.GetNode("Quill2\\ImportPath")), "/b");
  EXPECT_EQ(settings.NodeText(settings.GetNode("Quill2/x\\y")), "deep");
  EXPECT_EQ(settings.GetNode(""), settings.root);
  EXPECT_TRUE(settings.GetNode("Quill3/ImportPath").empty());
  EXPECT_TRUE(settings.GetNode("/Quill/ImportPath").empty());  // an empty step names no element
  EXPECT_TRUE(settings.GetNode("Quill//ImportPath").empty());
  EXPECT_TRUE(settings.GetNode("quill/ImportPath").empty());  // element names keep their case
}

TEST_F(ParamBase2Test, NodeTextTakesTheFirstTextOrCdataChild) {
  const cPARAMBASE2 settings(Write("<R><a><![CDATA[/c<d>]]></a><b><i>x</i>after</b><c/><d>Εισαγωγή</d></R>"));
  EXPECT_EQ(settings.NodeText(settings.GetNode("a")), "/c<d>");
  EXPECT_EQ(settings.NodeText(settings.GetNode("b")), "after");
  EXPECT_EQ(settings.NodeText(settings.GetNode("c")), "");
  EXPECT_EQ(settings.NodeText(settings.GetNode("d")), "Εισαγωγή");
  EXPECT_EQ(settings.NodeText(pugi::xml_node()), "");
}

TEST_F(ParamBase2Test, FailedLoadLeavesRootEmptyWithADescription) {
  for (const std::string& content : {std::string("<R><a></R>"), std::string(""), std::string("no xml at all")}) {
    SCOPED_TRACE(content);
    const cPARAMBASE2 settings(Write(content));
    EXPECT_TRUE(settings.root.empty());
    EXPECT_FALSE(settings.errorText.empty());
    EXPECT_TRUE(settings.GetNode("").empty());
  }
  const cPARAMBASE2 missing("/nonexistent/folder/Quillet.xml");
  EXPECT_TRUE(missing.root.empty());
  EXPECT_EQ(missing.errorText, "File was not found");
}

}  // namespace
