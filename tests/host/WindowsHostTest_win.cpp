// What only the Windows stand-in does: serve CallServiceSync from the main
// thread's message loop, and mark real dialogs as translated.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "HostCalls.h"

namespace {

std::atomic<DWORD> g_ranOnThread{0};
host::Word RecordThreadId(host::Word w, host::Word) {
    g_ranOnThread = GetCurrentThreadId();
    return w + 1;
}

TEST(WindowsHostTest, SyncCallIsServedByTheMainThreadsMessageLoop) {
    standin::Reset();
    standin::Link()->CreateServiceFunction("Test/Where", RecordThreadId);
    std::atomic<bool> done{false};
    host::Word result = 0;
    std::thread worker([&] {
        result = standin::Link()->CallServiceSync("Test/Where", 41, 0);
        done = true;
    });
    // An ordinary message loop, as a modal dialog would run.
    while (!done) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    worker.join();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(g_ranOnThread.load(), GetCurrentThreadId());
}

TEST(WindowsHostTest, MarkingTranslatesARealDialogsTexts) {
    standin::Reset();
    HWND dialog = CreateWindowExA(0, "STATIC", "Send SMS", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "Number:", WS_CHILD, 5, 5, 50, 20, dialog, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(dialog && child) << "CreateWindowEx failed, error " << GetLastError();
    host::TranslateDialogRequest request{16, 0, dialog, nullptr};
    ASSERT_EQ(hostcalls::Call("LangPack/TranslateDialog", 0, hostcalls::Ptr(&request)), 0);
    char text[64];
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_STREQ(text, "Send SMS") << "no marking: identity";

    standin::SetTranslationMarking(true);
    ASSERT_EQ(hostcalls::Call("LangPack/TranslateDialog", 0, hostcalls::Ptr(&request)), 0);
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_STREQ(text, "[T]Send SMS");
    GetWindowTextA(child, text, sizeof text);
    EXPECT_STREQ(text, "[T]Number:");
    DestroyWindow(dialog);
}

TEST(WindowsHostTest, MessageHooksPostToTheirWindow) {
    standin::Reset();
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr) << "CreateWindowEx failed, error " << GetLastError();
    constexpr UINT kMessage = WM_APP + 5;
    ASSERT_NE(standin::Link()->HookEventMessage("CList/StatusModeChange", window, kMessage), nullptr);
    EXPECT_EQ(standin::NotifyEvent("CList/StatusModeChange", 40075, 9), 1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, window, kMessage, kMessage, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 40075u);
    EXPECT_EQ(msg.lParam, 9);
    DestroyWindow(window);
}

}  // namespace
