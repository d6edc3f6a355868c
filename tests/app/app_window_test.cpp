// The window procedure driven by real messages sent to a real window under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "app/app_window.h"
#include "app/input.h"

namespace {

int32_t gResizeCount = 0;
int32_t gLastWidth = -1, gLastHeight = -1;

struct WindowFixture : ::testing::Test {
  static AppWindow* window;

  static void SetUpTestSuite() {
    gDisplaySettings = {640, 360, 32, 60, 0};
    window = new AppWindow;
    std::memset(window, 0, sizeof(AppWindow));
    window->instance = GetModuleHandleW(nullptr);
    window->resizeListener = reinterpret_cast<Game*>(window);  // any non-null listener
    ASSERT_TRUE(AppWindow::Create(window));
  }
  void SetUp() override {
    gInput = InputState{};
    gResizeCount = 0;
  }
  HWND Hwnd() const { return window->window; }
};
AppWindow* WindowFixture::window = nullptr;

}  // namespace

void NotifyWindowResize(Game*, int32_t width, int32_t height) {
  ++gResizeCount;
  gLastWidth = width;
  gLastHeight = height;
}

TEST_F(WindowFixture, CreationSetsRunningTitleClassAndClientSize) {
  EXPECT_TRUE(window->running);
  wchar_t title[64] = {};
  GetWindowTextW(Hwnd(), title, 64);
  EXPECT_STREQ(title, L"Kestra Brelda & Quonzel");
  wchar_t className[64] = {};
  GetClassNameW(Hwnd(), className, 64);
  EXPECT_STREQ(className, L"DX12WindowClass");
  EXPECT_EQ(window->ClientWidth(), 640);
  EXPECT_EQ(window->ClientHeight(), 360);
}

TEST_F(WindowFixture, KeysAndCharactersReachTheInputState) {
  SendMessageW(Hwnd(), WM_KEYDOWN, 'A', 0);
  EXPECT_TRUE(gInput.keys['A']);
  SendMessageW(Hwnd(), WM_SYSKEYDOWN, VK_MENU, 0);
  EXPECT_TRUE(gInput.keys[VK_MENU]);
  SendMessageW(Hwnd(), WM_KEYUP, 'A', 0);
  EXPECT_FALSE(gInput.keys['A']);
  SendMessageW(Hwnd(), WM_SYSKEYUP, VK_MENU, 0);
  EXPECT_FALSE(gInput.keys[VK_MENU]);
  SendMessageW(Hwnd(), WM_CHAR, 0xE9, 0);
  SendMessageW(Hwnd(), WM_CHAR, 8, 0);
  SendMessageW(Hwnd(), WM_CHAR, 'x', 0);
  ASSERT_EQ(gInput.typedCount, 2u);
  EXPECT_EQ(gInput.typed[0], 0xE9);
  EXPECT_EQ(gInput.typed[1], 'x');
}

TEST_F(WindowFixture, MouseButtonsCursorAndWheel) {
  RECT client;
  GetClientRect(Hwnd(), &client);
  SendMessageW(Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 0));
  EXPECT_TRUE(gInput.leftDown);
  EXPECT_EQ(gInput.cursorX, 10.0f);
  EXPECT_EQ(gInput.cursorY, static_cast<float>(client.bottom));  // top row: y = height
  SendMessageW(Hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, client.bottom - 1));
  EXPECT_TRUE(gInput.rightDown);
  EXPECT_EQ(gInput.cursorY, 1.0f);  // bottom row: y = 1
  SendMessageW(Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
  EXPECT_FALSE(gInput.leftDown);
  EXPECT_TRUE(gInput.rightDown);
  EXPECT_EQ(GetCapture(), nullptr);  // the left release frees the capture even with right held
  SendMessageW(Hwnd(), WM_RBUTTONUP, 0, 0);
  SendMessageW(Hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 1));
  EXPECT_TRUE(gInput.middleDown);
  SendMessageW(Hwnd(), WM_MBUTTONUP, 0, 0);
  EXPECT_FALSE(gInput.middleDown);
  SendMessageW(Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(33, 44));
  EXPECT_EQ(gInput.cursorX, 33.0f);
  EXPECT_EQ(gInput.cursorY, static_cast<float>(client.bottom - 44));
  SendMessageW(Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 240), 0);
  SendMessageW(Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  SendMessageW(Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0);
  EXPECT_EQ(gInput.wheelUp, 1);
  EXPECT_EQ(gInput.wheelDown, 1);
}

TEST_F(WindowFixture, SizeMessagesReachTheListenerIncludingZero) {
  SendMessageW(Hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 450));
  EXPECT_EQ(gResizeCount, 1);
  EXPECT_EQ(gLastWidth, 800);
  EXPECT_EQ(window->ClientHeight(), 450);
  SendMessageW(Hwnd(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_EQ(gLastWidth, 0);
  EXPECT_EQ(window->ClientWidth(), 0);
}

TEST_F(WindowFixture, CloseDropsTheRunningFlagWithoutDestroying) {
  ASSERT_TRUE(window->running);
  EXPECT_EQ(SendMessageW(Hwnd(), WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(window->running);
  EXPECT_TRUE(IsWindow(Hwnd()));
}
