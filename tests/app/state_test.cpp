// The reset of the program's state reaches every variable of its list.
#include <gtest/gtest.h>

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

}  // namespace
