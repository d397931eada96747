// The calibration commands of a monitor window's menu, and what Verify answers.
#include "support/test_profiles.h"
#include "ui/calibration_commands.h"

#include "cms/CMSSupport.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

#include "support/host_test.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <tuple>

namespace {

class CalibrationCommands : public HostTest {};

TEST_F(CalibrationCommands, EachIdFindsItsOwnCommandAndIsAUsableSystemCommand)
{
    std::set<uint32_t> ids;
    for (const CalibrationCommand& command : kCalibrationCommands) {
        SCOPED_TRACE(command.id);
        EXPECT_TRUE(ids.insert(command.id).second) << "id used twice";
        EXPECT_EQ(FindCalibrationCommand(command.id), &command);
        // The system keeps the low four bits of a system command for itself, and the
        // ids from 0xF000 on are its own commands.
        EXPECT_EQ(command.id & 0xFu, 0u);
        EXPECT_LT(command.id, 0xF000u);
        EXPECT_EQ(sim.Strings().count(command.stringId), 1u) << "no text in the string table";
    }
    EXPECT_EQ(FindCalibrationCommand(0), nullptr);
    EXPECT_EQ(FindCalibrationCommand(0xEFF0), nullptr);
}

// ---- Verify ------------------------------------------------------------------------------------

class VerifyAnswers : public StandardMonitorTest {
protected:
    std::string Load(const std::string& name, bool extended = false)
    {
        sim.InstallProfile(TestProfile(name));
        int32_t messageId = -1;
        LoadCalibration(monitor, ColorPath(name).c_str(), messageId, extended);
        return ColorPath(name);
    }
};

// Five green entries put three steps lower from outside.
void LowerFiveEntries(SimPlatform& sim, const std::string& adapterName)
{
    HardwareRamp ramp = sim.Ramp(adapterName);
    for (size_t i = 100; i < 105; ++i)
        ramp.green[i] = static_cast<uint16_t>(ramp.green[i] - 0x0300);
    DcHandle dc = sim.CreateDCA(adapterName.c_str(), adapterName.c_str(), nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(sim.SetDeviceGammaRamp(dc, &ramp));
    sim.DeleteDC(dc);
}

TEST_F(VerifyAnswers, SayWhetherTheRampHoldsTheProfilesTableAndWhyNot)
{
    struct Case {
        const char* name;
        const char* profile;
        void (*after)(SimPlatform&, const std::string& adapterName);   // after the load
        bool advancedColor;
        KeepState state;
        bool warning;
        std::string (*expected)(const std::string& screen);
    };
    const Case cases[] = {
        {"Loaded", profiles::kMild, nullptr, false, KeepState::Keeping, false,
         [](const std::string& s) { return Text(IDS_VERIFY_LOADED, "kv-mild", s.c_str()); }},
        {"ResetFromOutside", profiles::kMild, LowerFiveEntries, false, KeepState::Keeping, true,
         [](const std::string& s) { return Text(IDS_VERIFY_NOT_LOADED, "kv-mild", s.c_str(), 5, 3); }},
        {"NothingToVerify", profiles::kNoCalibration, nullptr, false, KeepState::Idle, false,
         [](const std::string&) { return Text(IDS_VERIFY_NOTHING, "kv-novcgt"); }},
        {"Unreadable", profiles::kMild,
         [](SimPlatform& simulated, const std::string&) { simulated.Fail(SimCall::GetDeviceGammaRamp, 6); }, false,
         KeepState::Keeping, true,
         [](const std::string& s) { return Text(IDS_VERIFY_UNREADABLE, s.c_str(), 6); }},
        {"HDR", profiles::kMild, nullptr, true, KeepState::Keeping, false,
         [](const std::string& s) { return Text(IDS_HDR_NOT_KEPT, s.c_str()); }},
        {"BackedOff", profiles::kMild, nullptr, false, KeepState::BackedOff, true,
         [](const std::string& s) {
             const std::string loaded = Text(IDS_VERIFY_LOADED, "kv-mild", s.c_str());
             return loaded + "\n\n" + Text(IDS_BACKED_OFF, s.c_str());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.ClearFailures();
        const std::string path = Load(c.profile);
        if (c.after)
            c.after(sim, adapter);
        const int writes = sim.RampWrites();
        const VerifyAnswer answer = VerifyCalibration(monitor, path, screen, false, c.advancedColor, c.state);
        EXPECT_EQ(answer.warning, c.warning);
        EXPECT_EQ(answer.text, c.expected(screen));
        EXPECT_EQ(sim.RampWrites(), writes) << "Verify wrote the ramp";
    }
    EXPECT_EQ(BackedOffText(screen), Text(IDS_BACKED_OFF, screen.c_str()));
    EXPECT_TRUE(reports.empty());
}

TEST_F(VerifyAnswers, ASixteenBitTableIsVerifiedOnlyWithTheExtendedSettingAndTo8Bits)
{
    sim.SetRampBits(8);
    const std::string path = Load(profiles::k16BitMono, true);
    const VerifyAnswer off = VerifyCalibration(monitor, path, screen, false, false, KeepState::Keeping);
    EXPECT_EQ(off.text, Text(IDS_VERIFY_NOTHING, "kv-16bit-mono"));

    const VerifyAnswer on = VerifyCalibration(monitor, path, screen, true, false, KeepState::Keeping);
    EXPECT_FALSE(on.warning);
    EXPECT_EQ(on.text, Text(IDS_VERIFY_LOADED, "kv-16bit-mono", screen.c_str()));
}

// ---- The settings -------------------------------------------------------------------------------

// Records each write; refuses those whose record starts with refuse.
struct FakeStore : SettingsStore {
    int32_t SetKeepLoaded(bool on) override { return Write(on ? "Keep 1" : "Keep 0"); }
    int32_t SetExtendedTables(bool on) override { return Write(on ? "Extended 1" : "Extended 0"); }
    int32_t SetLoadAtLogon(bool on, bool keep) override
    {
        return Write(!on ? "Logon -" : keep ? "Logon /tray" : "Logon /load");
    }
    int32_t Write(const std::string& record)
    {
        writes += record + ";";
        return record.rfind(refuse, 0) == 0 ? 5 : 0;
    }
    std::string refuse;
    std::string writes;
};

TEST(SettingsToggle, TheSettingChangesOnlyWhenTheStoreTookIt)
{
    using A = CalibrationAction;
    struct Case {
        A action;
        Settings before;   // keepLoaded, extendedTables, loadAtLogon
        const char* refuse;
        const char* writes;
        Settings after;
        int32_t result;
    };
    const Case cases[] = {
        {A::KeepLoaded, {true, false, true}, "-", "Keep 0;Logon /load;", {false, false, true}, 0},
        {A::KeepLoaded, {true, false, true}, "Keep", "Keep 0;", {true, false, true}, 5},
        // The logon entry could not follow: keeping goes back to what the entry says.
        {A::KeepLoaded, {false, false, true}, "Logon", "Keep 1;Logon /tray;Keep 0;", {false, false, true}, 5},
        {A::LoadAtLogon, {false, false, false}, "Logon", "Logon /load;", {false, false, false}, 5},
        {A::LoadAtLogon, {true, false, true}, "-", "Logon -;", {true, false, false}, 0},
        {A::ExtendedTables, {true, true, false}, "Extended", "Extended 0;", {true, true, false}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.action) << " " << c.writes);
        FakeStore store;
        store.refuse = c.refuse;
        Settings settings = c.before;
        EXPECT_EQ(ToggleStoredSetting(settings, c.action, store), c.result);
        EXPECT_EQ(store.writes, c.writes);
        EXPECT_EQ(std::tie(settings.keepLoaded, settings.extendedTables, settings.loadAtLogon),
                  std::tie(c.after.keepLoaded, c.after.extendedTables, c.after.loadAtLogon));
    }
}

}  // namespace
