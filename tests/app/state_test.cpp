// The reset of the program's state reaches every variable of its list, and
// no variable of the program lives outside the list, where the reset cannot see it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <type_traits>

#include "app/state.h"

namespace {

// A value that is not the variable's empty one.
template <typename T>
T Marked(WCHAR* text) {
  if constexpr (std::is_integral_v<T>) return 7;
  else return static_cast<T>(static_cast<void*>(text));
}

TEST(State, ClearStateEmptiesEveryVariable) {
  WCHAR text[] = TEXT("set");
#define WEBROLO_MARK(type, name) name = Marked<type>(text);
  WEBROLO_STATE_VARIABLES(WEBROLO_MARK)
#undef WEBROLO_MARK
  ClearState();
  std::string kept;
#define WEBROLO_CHECK(type, name) \
  if (name != type{}) kept += " " #name;
  WEBROLO_STATE_VARIABLES(WEBROLO_CHECK)
#undef WEBROLO_CHECK
  EXPECT_EQ(kept, "") << "not reset:" << kept;
}

// A declaration at namespace scope (clang-format indents nothing there) of
// something that can change: a variable the program keeps beside the list.
// A module's private state (an unnamed namespace, with the module's own end)
// is the module's.
TEST(State, NoVariableOutsideTheList) {
  const std::regex variable(
      R"(^(extern |static |thread_local |inline )*[A-Za-z_][\w:<>]*[ *&]+[A-Za-z_]\w*(\[[^\]]*\])?( = [^;]*|\{[^;]*\})?(, \w+)*;\s*$)");
  const std::regex unchanging(R"(\b(const|constexpr|using|enum|struct|class|return|typedef|friend)\b)");
  std::string escaped;
  for (const auto& entry : std::filesystem::directory_iterator(WEBROLO_SOURCE_DIR "/app")) {
    std::ifstream file(entry.path());
    std::string line;
    bool inside_module = false;
    while (std::getline(file, line)) {
      if (line == "namespace {" || line == "}  // namespace") inside_module = line == "namespace {";
      if (!inside_module && std::regex_match(line, variable) && !std::regex_search(line, unchanging))
        escaped += "\n" + entry.path().filename().string() + ": " + line;
    }
  }
  EXPECT_EQ(escaped, "") << "declare these in app/state_vars.h";
}

}  // namespace
