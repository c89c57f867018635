// The first start from the program's own folder: the work folder in the
// documents folder is made with the examples, a file of the user's is never
// overwritten, and a start where the user already works changes nothing.
#include <filesystem>

#include "app/work_folder.h"
#include "app_fixture.h"
#include "runtime/file.h"

namespace {

using WorkFolderTest = AppTest;

struct WorkFolderCase {
  const char* name;
  bool examples_beside_program;  // false: the Linux package's layout, the starter's business
  const char* start_in;          // the current directory at start, in the scratch folder
  const char* documents;         // "" when the system names none
  const char* work_before;       // "file": a file takes the work folder's name; "edited": the user's catalogue is there
  WorkFolderStart expected;
  const char* catalogue_after;  // the work folder's Webrolo.txt afterwards
};

TEST_F(WorkFolderTest, MadeOnFirstStartWithoutOverwriting) {
  const WorkFolderCase cases[] = {
      {"from the program's folder", true, "program", "docs/", "", WorkFolderStart::Entered, "example"},
      {"again, the user's catalogue kept", true, "program", "docs/", "edited", WorkFolderStart::Entered, "mine"},
      {"from an empty folder", true, "empty", "docs/", "", WorkFolderStart::Entered, "example"},
      {"where the user works", true, "own", "docs/", "", WorkFolderStart::Stayed, "<missing>"},
      {"examples elsewhere", false, "program", "docs/", "", WorkFolderStart::Stayed, "<missing>"},
      {"no documents folder", true, "program", "", "", WorkFolderStart::Stayed, "<missing>"},
      {"a file in its place", true, "program", "docs/", "file", WorkFolderStart::Failed, "<missing>"},
  };
  for (const WorkFolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::current_path(dir_);
    for (const char* folder : {"program", "empty", "own", "docs"}) {
      std::filesystem::remove_all(path(folder));
      std::filesystem::create_directory(path(folder));
    }
    if (c.examples_beside_program) {
      for (const char* name : {"Webrolo48x48.ico", "Webrolo_Help.html", "Webrolo_HtmlHdr.txt"}) {
        put(std::string("program/") + name, name);
      }
      put("program/Webrolo.txt", "example");
    }
    put("own/Webrolo_HtmlHdr.txt", "header");
    if (std::string(c.work_before) == "file") put("docs/Webrolo", "a file of the user's");
    if (std::string(c.work_before) == "edited") {
      std::filesystem::create_directory(path("docs/Webrolo"));
      put("docs/Webrolo/Webrolo.txt", "mine");
    }
    std::filesystem::current_path(path(c.start_in));
    const std::string documents = *c.documents ? path(c.documents) : "";
    const std::u16string program = w16(path("program/")), documents_dir = w16(documents);
    TextVar work = nullptr;
    EXPECT_EQ(EnterWorkFolderFrom(reinterpret_cast<const WCHAR*>(program.c_str()),
                                  reinterpret_cast<const WCHAR*>(documents_dir.c_str()), &work),
              c.expected);
    text_free(work);
    EXPECT_EQ(get("docs/Webrolo/Webrolo.txt"), c.catalogue_after);
    const bool entered = c.expected == WorkFolderStart::Entered;
    EXPECT_EQ(std::filesystem::equivalent(std::filesystem::current_path(), path(entered ? "docs/Webrolo" : c.start_in)),
              true);
    if (entered) {
      EXPECT_EQ(get("docs/Webrolo/Webrolo_HtmlHdr.txt"), "Webrolo_HtmlHdr.txt");
    }
    if (std::string(c.work_before) == "file") {
      EXPECT_EQ(get("docs/Webrolo"), "a file of the user's");
    }
  }
}

}  // namespace
