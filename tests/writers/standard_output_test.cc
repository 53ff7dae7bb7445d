// Exports whose file is the program's own standard output or error: the
// output goes where the stream stands, after what was written there before.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "writer_test_util.h"

namespace pubforge {
namespace {

using writer_test::readFile;

class StandardOutputTest : public writer_test::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    std::ofstream(dir / "refs.bib")
        << "@Misc{kell99, author = {Mira Kell}, title = {A & B}, year = 1999,\n"
           "  url = {http://x.example/a?b=1&c=2}}\n";
  }
  // Runs a shell command in the scratch folder, with the program as $P.
  void shell(const std::string& command) {
    const std::string line = "cd '" + dir.string() + "' && P='" + PUBFORGE_BINARY + "' && " +
                             command;
    ASSERT_EQ(std::system(line.c_str()), 0) << command;
  }
};

TEST_F(StandardOutputTest, ExportGoesWhereTheStreamStands) {
  struct Row {
    const char* option;
    const char* command;  // writes BEFORE, the export and AFTER into "f"
  } rows[] = {
      {"-X", "(echo BEFORE; $P -n -X /dev/stdout refs.bib; echo AFTER) > f"},
      {"-B", "(echo BEFORE; $P -n -B /dev/stdout refs.bib; echo AFTER) > f"},
      {"-X", "(echo BEFORE >&2; $P -n -X /dev/stderr refs.bib; echo AFTER >&2) 2> f"},
      {"-X", "(echo BEFORE; $P -n -X f refs.bib; echo AFTER) > f"},
      {"-B", "echo BEFORE > f; $P -n -B f refs.bib >> f; echo AFTER >> f"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    shell(std::string("$P -n ") + row.option + " plain refs.bib");
    const std::string exported = readFile(dir / "plain");
    ASSERT_FALSE(exported.empty());
    shell(row.command);
    EXPECT_EQ(readFile(dir / "f"), "BEFORE\n" + exported + "AFTER\n");
  }
}

}  // namespace
}  // namespace pubforge
