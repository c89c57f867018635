// Gadget lists: containers become the current list until popped, popping an
// empty stack changes nothing, the stack grows past its first room, and each
// window keeps its own lists while another window is current.
#include "gui/gadget_fixture.h"

namespace {

TEST_F(GadgetTest, GadgetsGoIntoTheContainerUntilItIsPopped) {
  EXPECT_EQ(gadget_current_list(), window());
  const int64_t panel = gadget_new_container(-1, 10, 10, 300, 200);
  ASSERT_NE(panel, 0);
  HWND panel_window = gadget_handle(panel);
  EXPECT_EQ(GetParent(panel_window), window());
  EXPECT_EQ(gadget_current_list(), panel_window);
  const int64_t row = gadget_new_container(-1, 0, 0, 300, 40, 0x1);
  EXPECT_TRUE(GetWindowLongW(gadget_handle(row), GWL_STYLE) & WS_BORDER);
  const int64_t inner = gadget_new_button(-1, 4, 4, 60, 24, TEXT("inner"));
  EXPECT_EQ(GetParent(gadget_handle(inner)), gadget_handle(row));
  gadget_pop_list();
  // Without a pop the gadgets stay in the container.
  const int64_t second = gadget_new_button(-1, 4, 60, 60, 24, TEXT("second"));
  EXPECT_EQ(GetParent(gadget_handle(second)), panel_window);
  gadget_pop_list();
  EXPECT_EQ(gadget_current_list(), window());
  const int64_t outside = gadget_new_button(-1, 320, 10, 60, 24, TEXT("outside"));
  EXPECT_EQ(GetParent(gadget_handle(outside)), window());

  // An empty stack leaves the current list where it is.
  gadget_pop_list();
  gadget_pop_list();
  EXPECT_EQ(gadget_current_list(), window());

  // Reopening a container pushes it again; other kinds have no list to reopen.
  gadget_open_list(panel);
  EXPECT_EQ(gadget_current_list(), panel_window);
  gadget_open_list(outside);
  EXPECT_EQ(gadget_current_list(), panel_window);
  gadget_pop_list();
  EXPECT_EQ(gadget_current_list(), window());
}

TEST_F(GadgetTest, StackGrowsPastTenNestedContainers) {
  std::vector<HWND> nested;
  for (int depth = 0; depth < 25; depth++) {
    const int64_t panel = gadget_new_container(-1, 1, 1, 300 - depth, 300 - depth);
    ASSERT_NE(panel, 0) << depth;
    nested.push_back(gadget_handle(panel));
    EXPECT_EQ(GetParent(nested.back()), depth == 0 ? window() : nested[depth - 1]);
  }
  for (int depth = 24; depth >= 0; depth--) {
    EXPECT_EQ(gadget_current_list(), nested[depth]);
    gadget_pop_list();
  }
  EXPECT_EQ(gadget_current_list(), window());
}

TEST_F(GadgetTest, EachWindowKeepsItsListsAndADestroyedOneLeavesNone) {
  const int64_t panel = gadget_new_container(-1, 10, 10, 200, 200);
  HWND panel_window = gadget_handle(panel);
  // A second window takes the lists over while it is open.
  const int64_t other = win_open(-1, 100, 100, 200, 100, TEXT("other"), WIN_DEFAULT_FLAGS);
  ASSERT_NE(other, 0);
  EXPECT_EQ(gadget_current_list(), win_handle(other));
  const int64_t there = gadget_new_button(-1, 4, 4, 60, 24, TEXT("there"));
  EXPECT_EQ(GetParent(gadget_handle(there)), win_handle(other));
  gadget_pop_list();
  EXPECT_EQ(gadget_current_list(), win_handle(other));
  // Freeing the window that owns the lists leaves no current list: creation fails cleanly.
  win_free(other);
  EXPECT_EQ(gadget_handle(there), nullptr);
  EXPECT_EQ(gadget_current_list(), nullptr);
  EXPECT_EQ(gadget_new_button(-1, 4, 4, 60, 24, TEXT("nowhere")), 0);
  EXPECT_EQ(gadget_new_container(-1, 4, 4, 60, 24), 0);
  EXPECT_EQ(gadget_current_list(), nullptr);
  // The first window's container is untouched.
  EXPECT_TRUE(IsWindow(panel_window));
}

TEST_F(GadgetTest, AWindowOpenedWithoutGadgetsLeavesTheListsAlone) {
  const int64_t panel = gadget_new_container(-1, 10, 10, 200, 200);
  const int64_t plain = win_open(-1, 100, 100, 200, 100, TEXT("plain"), WIN_DEFAULT_FLAGS | WIN_NO_GADGETS);
  ASSERT_NE(plain, 0);
  EXPECT_EQ(gadget_current_list(), gadget_handle(panel));
  win_free(plain);
  EXPECT_EQ(gadget_current_list(), gadget_handle(panel));
  gadget_pop_list();
  EXPECT_EQ(gadget_current_list(), window());
}

}  // namespace
