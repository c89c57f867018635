// Requesters on the headless display (Linux only): a box opened while
// another program is in front, and the real file dialogs driven by injected
// keys on the virtual clock.
#ifndef _WIN32

#include "platform/win32/display/headless_driver.h"
#include "req_fixture.h"

namespace {

using ReqHeadless = ReqTest;

TEST_F(ReqHeadless, MessageBoxHasNoOwnerWhileAnotherProgramIsInFront) {
  HWND second = make_window(TEXT("second"));
  HWND front = make_window(TEXT("front"));
  SetForegroundWindow(front);
  headless::leave_foreground();
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  EXPECT_EQ(req_owner_window(), nullptr);

  HWND owner = front;
  BOOL front_enabled = TRUE, second_enabled = TRUE;
  BoxDriver driver;
  driver.look = [&](HWND box) {
    owner = GetWindow(box, GW_OWNER);
    front_enabled = IsWindowEnabled(front);
    second_enabled = IsWindowEnabled(second);
  };
  driver.answer = [](HWND) { headless::key(VK_RETURN); };
  EXPECT_EQ(driver.run([] { return req_message_ok(TEXT("No File Loaded :"), TEXT("Try Again !")); }), IDOK);
  EXPECT_TRUE(driver.seen);
  EXPECT_EQ(owner, nullptr);
  EXPECT_FALSE(front_enabled) << "with no window in front every visible window is switched off";
  EXPECT_FALSE(second_enabled);
  EXPECT_TRUE(IsWindowEnabled(front));
  EXPECT_TRUE(IsWindowEnabled(second));
}

}  // namespace

#endif
