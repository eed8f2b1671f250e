// Form1's procedures in-process under Wine, on the real window built from
// its stored description and the real progress bars: the backup and the
// run, the timer's ticks driven directly, the about box, the web-site
// command and exit. Backups go to memory (or to a folder of the test's own),
// never to the prefix's ProgramData.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/form1_win32.h"
#include "app/form/form_codec.h"
#include "app/host/host_gdi_win32.h"
#include "backup/backup_folder_win32.h"
#include "backup/reg_file.h"
#include "progressbar_support_win32.h"
#include "registry/memory_registry.h"
#include "tests/support/form1_fixture_win32.h"

using namespace kavrel;
using namespace kavrel::app;
using kavrel::testing::Form1Bytes;
using kavrel::testing::Pump;

namespace {

// The window as the procedures see it, with every write written down.
class Recorder : public optimiser::WindowControls {
public:
    explicit Recorder(optimiser::WindowControls& inner) : inner_(inner) {}
    std::int32_t GetProperty(std::string_view c, std::string_view p) override { return inner_.GetProperty(c, p); }
    void SetProperty(std::string_view c, std::string_view p, std::int32_t v) override {
        const std::string key = std::string(c) + "." + std::string(p);
        if (key == failOn) throw std::runtime_error("cannot set " + key);
        writes.push_back(key + "=" + std::to_string(v));
        inner_.SetProperty(c, p, v);
    }
    std::vector<std::string> writes;
    std::string failOn;

private:
    optimiser::WindowControls& inner_;
};

// Backups kept in memory; can be told to fail, and notes what the registry
// had been asked to change when the backup was written.
class MemoryBackups : public backup::BackupTarget {
public:
    explicit MemoryBackups(const registry::MemoryRegistry& reg) : reg_(reg) {}
    std::string Store(const std::vector<std::uint8_t>& bytes, const backup::LocalTime& when) override {
        if (fail) throw backup::BackupWriteError("refusé");
        writesBefore = 0;
        for (const auto& call : reg_.Calls()) {
            using Op = registry::MemoryRegistry::Call::Op;
            if (call.op == Op::Set || call.op == Op::Delete || call.op == Op::SetWide || call.op == Op::DeleteWide) {
                ++writesBefore;
            }
        }
        files.push_back(bytes);
        return "C:\\Tests\\" + backup::BackupFileName(when, static_cast<int>(files.size()));
    }
    std::string Location() const override { return "C:\\Tests\\Sauvegardes"; }
    std::vector<std::vector<std::uint8_t>> files;
    std::size_t writesBefore = 0;
    bool fail = false;

private:
    const registry::MemoryRegistry& reg_;
};

// What a message box showed, caught as it opened and then closed.
struct BoxSeen {
    std::wstring title, text;
    bool informationIcon = false;
    bool errorIcon = false;
    int shown = 0;
};
BoxSeen* g_seen = nullptr;
HHOOK g_hook = nullptr;

LRESULT CALLBACK WatchBoxes(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE && g_seen) {
        HWND box = reinterpret_cast<HWND>(wp);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (std::wstring(cls) == L"#32770") {
            ++g_seen->shown;
            wchar_t buf[2048] = {};
            GetWindowTextW(box, buf, 2048);
            g_seen->title = buf;
            const HICON info = LoadIconW(nullptr, IDI_INFORMATION);
            const HICON error = LoadIconW(nullptr, IDI_ERROR);
            for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                GetClassNameW(c, cls, 16);
                if (_wcsicmp(cls, L"Static") != 0) continue;
                if ((GetWindowLongPtrW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                    const auto icon = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
                    g_seen->informationIcon = icon == info;
                    g_seen->errorIcon = icon == error;
                } else {
                    GetWindowTextW(c, buf, 2048);
                    if (wcslen(buf) > g_seen->text.size()) g_seen->text = buf;
                }
            }
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(g_hook, code, wp, lp);
}

class Form1Procedures : public ::testing::Test, protected kavrel::testing::Form1OnScreen {
protected:
    void SetUp() override {
        ShowForm1(reg, backups, [this](const char* a) { opened.push_back(a); }, [this](FormWindow& w) {
            recorder = std::make_unique<Recorder>(w);
            return recorder.get();
        });
    }
    void TearDown() override { CloseForm1(); }
    std::int32_t Get(const char* c, const char* p) { return window->GetProperty(c, p); }
    void Select(const char* option) {
        kavrel::testing::ClickControl(*window, option);
        Pump();
    }

    registry::MemoryRegistry reg{true};
    MemoryBackups backups{reg};
    std::vector<std::string> opened;
    std::unique_ptr<Recorder> recorder;
};

TEST_F(Form1Procedures, OptimiserWritesTheProfileThenShowsTheProgressDisplay) {
    Select("Adsl1");
    Select("r1024");
    procedures->command1_Click();
    const auto window_size = reg.GetValue(registry::kHkeyLocalMachine,
                                          R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)", "TcpWindowSize");
    ASSERT_TRUE(window_size);
    EXPECT_EQ(window_size->data, (std::vector<std::uint8_t>{0x00, 0x60, 0, 0}));  // 24576
    EXPECT_FALSE(IsWindowEnabled(window->Handle()));
    EXPECT_EQ(Get("Timer3", "Enabled"), -1);
    EXPECT_EQ(Get("Image4", "Visible"), 0);
    EXPECT_EQ(Get("Shape1", "Visible"), 0);
    for (const char* shown : {"Label1", "Label2"}) EXPECT_EQ(Get(shown, "Visible"), -1) << shown;
    EXPECT_TRUE(window->ControlVisible("Bar1"));
    EXPECT_TRUE(window->ControlVisible("Bar2"));
    EXPECT_EQ(Get("Bar1", "Value"), 0);
    EXPECT_EQ(Get("Bar2", "Value"), 0);
}

std::size_t RegistryWrites(const registry::MemoryRegistry& reg) {
    using Op = registry::MemoryRegistry::Call::Op;
    std::size_t n = 0;
    for (const auto& call : reg.Calls()) {
        n += call.op == Op::Set || call.op == Op::Delete || call.op == Op::SetWide || call.op == Op::DeleteWide;
    }
    return n;
}

TEST_F(Form1Procedures, OptimiserBacksUpTheValuesItWillChangeBeforeItsFirstWrite) {
    const char* tcpip = R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)";
    reg.PutValue(registry::kHkeyLocalMachine, tcpip, "TcpWindowSize", {registry::kRegDword, {0x00, 0x20, 0, 0}});
    Select("Adsl1");
    Select("r1024");
    procedures->command1_Click();
    ASSERT_EQ(backups.files.size(), 1u);
    EXPECT_EQ(backups.writesBefore, 0u);
    const backup::BackupContents saved = backup::ReadBackupFile(backups.files[0]);
    EXPECT_EQ(saved.values.size(), 52u);  // every key exists here
    EXPECT_EQ(saved.header.front(), "; Kavrel LinkTune (tests) : sauvegarde des réglages avant optimisation");
    EXPECT_NE(std::find(saved.header.begin(), saved.header.end(), "; Profil : adsl 1024"), saved.header.end());
    bool found = false;
    for (const auto& v : saved.values) {
        if (v.valueName == "TcpWindowSize" && v.keyPath == tcpip) {
            found = true;
            EXPECT_EQ(v.value, (registry::RawValue{registry::kTypeDword, {0x00, 0x20, 0, 0}}));  // 8192, before
        }
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(reg.GetValue(registry::kHkeyLocalMachine, tcpip, "TcpWindowSize")->data,
              (std::vector<std::uint8_t>{0x00, 0x60, 0, 0}));  // then the run: 24576
    EXPECT_FALSE(IsWindowEnabled(window->Handle()));
}

TEST_F(Form1Procedures, WithoutItsBackupOptimiserShowsOneBoxAndChangesNothing) {
    backups.fail = true;
    BoxSeen seen;
    g_seen = &seen;
    g_hook = SetWindowsHookExW(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
    procedures->command1_Click();
    UnhookWindowsHookEx(g_hook);
    g_seen = nullptr;
    ASSERT_EQ(seen.shown, 1);
    EXPECT_EQ(seen.title, L"Kavrel LinkTune");
    EXPECT_EQ(seen.text, L"La sauvegarde des réglages actuels n'a pas pu être écrite dans « C:\\Tests\\Sauvegardes ». "
                         L"Aucun réglage n'a été modifié.");
    EXPECT_TRUE(seen.errorIcon);
    EXPECT_EQ(RegistryWrites(reg), 0u);
    // No progress display: the window stays as it was, and usable.
    EXPECT_TRUE(IsWindowEnabled(window->Handle()));
    EXPECT_EQ(Get("Timer3", "Enabled"), 0);
    EXPECT_EQ(Get("Image4", "Visible"), -1);
    EXPECT_FALSE(window->ControlVisible("Bar1"));
    EXPECT_TRUE(recorder->writes.empty());

    backups.fail = false;
    procedures->opti_Click();
    EXPECT_EQ(backups.files.size(), 1u);
    EXPECT_GT(RegistryWrites(reg), 0u);
    EXPECT_FALSE(IsWindowEnabled(window->Handle()));
}

TEST_F(Form1Procedures, ARunLeavesExactlyOneFileInTheBackupFolder) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"kavrel-form1-test-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(base.c_str(), nullptr);
    const std::wstring folder = base + L"\\Kavrel LinkTune\\Sauvegardes";
    std::vector<std::wstring> names;
    {
        backup::BackupFolder onDisk(base);
        registry::MemoryRegistry other(true);
        Form1 procedures2(other, Form1::Backups{onDisk, "Kavrel LinkTune (tests)"});
        FormWindow w(LoadForm1(Form1Bytes()), GetModuleHandleW(nullptr), procedures2.Events());
        procedures2.Attach(w);
        procedures2.command1_Click();
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW((folder + L"\\*.reg").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do names.emplace_back(found.cFileName);
            while (FindNextFileW(find, &found));
            FindClose(find);
        }
    }
    Pump();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind(L"sauvegarde-", 0), 0u);
    for (const auto& name : names) DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW((base + L"\\Kavrel LinkTune").c_str());
    RemoveDirectoryW(base.c_str());
}

TEST_F(Form1Procedures, TicksFollowTheTimelineOnTheRealBars) {
    procedures->command1_Click();
    std::map<int, std::pair<int, int>> at;
    int tick = 0;
    while (Get("Timer3", "Enabled") != 0 && tick < 200) {
        procedures->Timer3_Timer();
        ++tick;
        at[tick] = {Get("Bar1", "Value"), Get("Bar2", "Value")};
    }
    EXPECT_EQ(tick, 79);
    EXPECT_EQ(at[1], std::make_pair(0, 15));
    EXPECT_EQ(at[6], std::make_pair(0, 90));
    EXPECT_EQ(at[7], std::make_pair(9, 15));
    EXPECT_EQ(at[13], std::make_pair(18, 15));
    EXPECT_EQ(at[73], std::make_pair(100, 15));  // the bar holds 99 + 9 at 100
    EXPECT_EQ(at[79].first, 100);
    // Idle again.
    EXPECT_TRUE(IsWindowEnabled(window->Handle()));
    EXPECT_EQ(Get("Image4", "Visible"), -1);
    EXPECT_EQ(Get("Shape1", "Visible"), -1);
    EXPECT_FALSE(window->ControlVisible("Bar1"));
    EXPECT_FALSE(window->ControlVisible("Bar2"));
    EXPECT_EQ(Get("Label1", "Visible"), 0);
}

TEST_F(Form1Procedures, TheLastTickEndsTheDisplayInItsOrder) {
    procedures->command1_Click();
    for (int i = 0; i < 78; ++i) procedures->Timer3_Timer();
    recorder->writes.clear();
    procedures->Timer3_Timer();
    const std::vector<std::string> expected = {
        "Bar2.Value=105",   "Bar1.Visible=0",    "Label1.Visible=0",  "Bar2.Visible=0",   "Label2.Visible=0",
        "Image4.Visible=-1", "Shape1.Visible=-1", "Timer3.Enabled=0", "Form1.Enabled=-1"};
    EXPECT_EQ(recorder->writes, expected);
}

TEST_F(Form1Procedures, TheDisplayEndsEarlyWhenBar1AlreadyReads100) {
    procedures->command1_Click();
    window->SetProperty("Bar1", "Value", 100);
    int tick = 0;
    while (Get("Timer3", "Enabled") != 0 && tick < 200) {
        procedures->Timer3_Timer();
        ++tick;
    }
    EXPECT_EQ(tick, 7);
    EXPECT_TRUE(IsWindowEnabled(window->Handle()));
}

TEST_F(Form1Procedures, ATickThatFailsEndsTheDisplayInsteadOfLockingTheWindow) {
    procedures->command1_Click();
    recorder->failOn = "Bar2.Value";
    procedures->Timer3_Timer();
    EXPECT_TRUE(IsWindowEnabled(window->Handle()));
    EXPECT_EQ(Get("Timer3", "Enabled"), 0);
    EXPECT_FALSE(window->ControlVisible("Bar2"));
}

TEST_F(Form1Procedures, TheMenuRunsTheButtonsProcedures) {
    registry::MemoryRegistry viaButton(true);
    {
        MemoryBackups otherBackups(viaButton);
        Form1 other(viaButton, Form1::Backups{otherBackups, "Kavrel LinkTune (tests)"});
        FormWindow w(LoadForm1(Form1Bytes()), GetModuleHandleW(nullptr), other.Events());
        other.Attach(w);
        other.command1_Click();
    }
    Pump();
    procedures->opti_Click();
    EXPECT_EQ(reg.Dump(), viaButton.Dump());
    EXPECT_FALSE(IsWindowEnabled(window->Handle()));

    // Menu item and button, chosen the way a user chooses them.
    BoxSeen seen;
    g_seen = &seen;
    g_hook = SetWindowsHookExW(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
    window->SetProperty("Form1", "Enabled", -1);
    procedures->propos_Click();
    const BoxSeen fromMenu = seen;
    SendMessageW(window->ControlWindow("KavrelCmd1"), BM_CLICK, 0, 0);
    UnhookWindowsHookEx(g_hook);
    g_seen = nullptr;
    EXPECT_EQ(seen.shown, 2);
    EXPECT_EQ(fromMenu.title, seen.title);
    EXPECT_EQ(fromMenu.text, seen.text);
}

TEST_F(Form1Procedures, TheAboutBoxIsModalWithTheInformationIcon) {
    BoxSeen seen;
    g_seen = &seen;
    g_hook = SetWindowsHookExW(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
    procedures->KavrelCmd1_Click();
    UnhookWindowsHookEx(g_hook);
    g_seen = nullptr;
    ASSERT_EQ(seen.shown, 1);
    EXPECT_EQ(seen.title, L"A Propos de Kavrel LinkTune 2.0");
    EXPECT_EQ(seen.text, kavrel::win32::Widen(AboutText()));
    EXPECT_TRUE(seen.informationIcon);
}

TEST_F(Form1Procedures, TheSiteCommandOpensTheVendorsAddressOnly) {
    procedures->site_Click();
    EXPECT_EQ(opened, (std::vector<std::string>{kVendorWebSite}));
    EXPECT_TRUE(IsWindowEnabled(window->Handle()));
}

TEST_F(Form1Procedures, RunsAnimationsAndRepaintsWithoutLeakingGdiObjects) {
    auto repaint = [&] {
        RedrawWindow(window->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
    };
    auto fullRun = [&] {
        procedures->command1_Click();
        while (Get("Timer3", "Enabled") != 0) {
            procedures->Timer3_Timer();
            repaint();
        }
        repaint();
    };
    // The first showing of the bars makes what they keep for their life
    // (their windows' drawing state): count from after it.
    fullRun();
    const long before = progressbar::testing::GdiObjectsInUse();
    ASSERT_GT(before, 0);
    for (int run = 0; run < 3; ++run) fullRun();
    EXPECT_EQ(progressbar::testing::GdiObjectsInUse(), before);
}

TEST_F(Form1Procedures, QuitterUnloadsTheWindowAndEndsTheLoop) {
    procedures->exit_Click();
    EXPECT_TRUE(window->IsUnloaded());
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
}

}  // namespace
