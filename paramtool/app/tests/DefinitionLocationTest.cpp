// The definition path file and where the definition, save and help files are looked for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DefinitionLocation.h"

using namespace orvex;

TEST(DefinitionPathFile, TwoTrimmedLinesWithDefaults) {
  DefinitionPathNames names = ParseDefinitionPathFile("  Site.txt \t\r\n\tSite.prg\r\n");
  EXPECT_EQ(names.definition, "Site.txt");
  EXPECT_EQ(names.save_file, "Site.prg");

  DefinitionPathNames empty_first = ParseDefinitionPathFile("   \r\nX.prg");
  EXPECT_EQ(empty_first.definition, kDefaultDefinitionName);
  EXPECT_EQ(empty_first.save_file, "X.prg");

  DefinitionPathNames one_line = ParseDefinitionPathFile("D:\\defs\\表.txt");  // 0x95 0x5C in the name
  EXPECT_EQ(one_line.definition, "D:\\defs\\表.txt");
  EXPECT_EQ(one_line.save_file, kDefaultSaveFileName);

  DefinitionPathNames none = ParseDefinitionPathFile("");
  EXPECT_EQ(none.definition, kDefaultDefinitionName);
  EXPECT_EQ(none.save_file, kDefaultSaveFileName);

  // The created file reads back as the defaults.
  DefinitionPathNames created = ParseDefinitionPathFile(DefaultDefinitionPathFileText());
  EXPECT_EQ(created.definition, "Cti_par.txt");
  EXPECT_EQ(created.save_file, "MCPARA.prg");
  EXPECT_EQ(DefaultDefinitionPathFileText(), "Cti_par.txt\r\nMCPARA.prg\r\n");
}

TEST(DefinitionPathFile, LinesAreReadInPiecesLikeTheLineBuffer) {
  // A first line of 300 bytes: its first 254 bytes are the definition name, the rest is the
  // second line.
  std::string first(254, 'a');
  std::string rest(46, 'b');
  DefinitionPathNames names = ParseDefinitionPathFile(first + rest + "\r\nnever.prg\r\n");
  EXPECT_EQ(names.definition, first);
  EXPECT_EQ(names.save_file, rest);

  // A lone CR cuts the line; a Ctrl-Z ends the file; a NUL ends the text of a line.
  EXPECT_EQ(ParseDefinitionPathFile("a.txt\rjunk\nb.prg").definition, "a.txt");
  EXPECT_EQ(ParseDefinitionPathFile("a.txt\rjunk\nb.prg").save_file, "b.prg");
  EXPECT_EQ(ParseDefinitionPathFile("a.txt\r\n\x1A" "b.prg").save_file, kDefaultSaveFileName);
  EXPECT_EQ(ParseDefinitionPathFile(std::string("a.txt\0tail\r\nb.prg", 17)).definition, "a.txt");
}

TEST(DefinitionLocation, PathsAndExtensions) {
  EXPECT_TRUE(IsBareFileName("Cti_par.txt"));
  EXPECT_FALSE(IsBareFileName("sub\\Cti_par.txt"));
  EXPECT_FALSE(IsBareFileName("C:Cti_par.txt"));
  EXPECT_TRUE(IsBareFileName("表.txt"));  // its trail byte is not a folder separator

  EXPECT_EQ(DefinitionPathFilePath("C:\\Tools", "OrvexSet.ini"), "C:\\Tools\\OrvexSet.ini");
  EXPECT_EQ(DefinitionPathFilePath("C:\\Tools", "cfg\\Site.ini"), "C:\\Tools\\cfg\\Site.ini");
  EXPECT_EQ(DefinitionPathFilePath("C:\\Tools", "D:\\cfg\\Site.ini"), "D:\\cfg\\Site.ini");
  EXPECT_EQ(DefinitionPathFilePath("C:\\Tools", "\\\\srv\\cfg\\Site.ini"), "\\\\srv\\cfg\\Site.ini");

  EXPECT_EQ(ReplaceExtension("C:\\Tools\\OrvexSet.exe", "chm"), "C:\\Tools\\OrvexSet.chm");
  EXPECT_EQ(ReplaceExtension("C:\\Tools\\Cti_par.txt", "old"), "C:\\Tools\\Cti_par.old");
  EXPECT_EQ(ReplaceExtension("C:\\my.tools\\Cti_par", "old"), "C:\\my.tools\\Cti_par.old");

  EXPECT_TRUE(SamePath("C:\\Tools\\CTI_PAR.TXT", "c:\\tools\\Cti_par.txt"));
  EXPECT_FALSE(SamePath("C:\\Tools\\Cti_par.txt", "C:\\Tools\\Cti_par.old"));
}

namespace {

// A loader that knows which files exist and records what was asked.
struct FakeFiles {
  std::vector<std::string> existing;
  std::vector<std::string> asked;
  int failure_error = 2;

  DefinitionLoader Loader() {
    return [this](const std::string& path) {
      asked.push_back(path);
      DefinitionLoad load;
      for (const auto& e : existing) {
        if (e == path) {
          load.result = kDefinitionLoaded;
          load.definition = std::make_unique<ParameterDefinition>();
          return load;
        }
      }
      load.result = kDefinitionOpenFailed;
      load.system_error = failure_error;
      return load;
    };
  }
};

}  // namespace

TEST(StartupDefinition, ProgramFolderFirstThenDocuments) {
  DefinitionPathNames names;  // the defaults, both bare
  FakeFiles here;
  here.existing = {"C:\\Tools\\Cti_par.txt", "C:\\Docs\\Orvex\\Cti_par.txt"};
  StartupDefinition found = LoadStartupDefinition(names, "C:\\Tools", "C:\\Docs\\Orvex\\", here.Loader());
  EXPECT_EQ(found.load.result, kDefinitionLoaded);
  EXPECT_FALSE(found.from_documents);
  EXPECT_EQ(found.definition_path, "C:\\Tools\\Cti_par.txt");
  EXPECT_EQ(found.save_file_path, "C:\\Tools\\MCPARA.prg");
  EXPECT_EQ(here.asked.size(), 1u);

  FakeFiles docs;
  docs.existing = {"C:\\Docs\\Orvex\\Cti_par.txt"};
  StartupDefinition moved = LoadStartupDefinition(names, "C:\\Tools", "C:\\Docs\\Orvex\\", docs.Loader());
  EXPECT_EQ(moved.load.result, kDefinitionLoaded);
  EXPECT_TRUE(moved.from_documents);
  EXPECT_EQ(moved.definition_path, "C:\\Docs\\Orvex\\Cti_par.txt");
  EXPECT_EQ(moved.save_file_path, "C:\\Docs\\Orvex\\MCPARA.prg");  // the bare save name moves along

  names.save_file = "E:\\keep\\MCPARA.prg";
  StartupDefinition kept = LoadStartupDefinition(names, "C:\\Tools", "C:\\Docs\\Orvex\\", docs.Loader());
  EXPECT_EQ(kept.save_file_path, "E:\\keep\\MCPARA.prg");
}

TEST(StartupDefinition, NoSecondTryUnlessABareNameIsMissing) {
  DefinitionPathNames names;
  FakeFiles nowhere;
  StartupDefinition without_docs = LoadStartupDefinition(names, "C:\\Tools", "", nowhere.Loader());
  EXPECT_EQ(without_docs.load.result, kDefinitionOpenFailed);
  EXPECT_EQ(nowhere.asked.size(), 1u);

  FakeFiles denied;  // the file is there but cannot be opened
  denied.existing = {"C:\\Docs\\Orvex\\Cti_par.txt"};
  denied.failure_error = 5;
  StartupDefinition refused = LoadStartupDefinition(names, "C:\\Tools", "C:\\Docs\\Orvex\\", denied.Loader());
  EXPECT_EQ(refused.load.result, kDefinitionOpenFailed);
  EXPECT_EQ(refused.definition_path, "C:\\Tools\\Cti_par.txt");
  EXPECT_EQ(denied.asked.size(), 1u);

  names.definition = "defs\\Cti_par.txt";
  FakeFiles relative;
  relative.existing = {"C:\\Docs\\Orvex\\defs\\Cti_par.txt"};
  StartupDefinition not_bare = LoadStartupDefinition(names, "C:\\Tools", "C:\\Docs\\Orvex\\", relative.Loader());
  EXPECT_EQ(not_bare.load.result, kDefinitionOpenFailed);
  EXPECT_EQ(relative.asked, std::vector<std::string>{"defs\\Cti_par.txt"});
}
