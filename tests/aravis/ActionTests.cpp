// GigE Vision action commands, built by the backend (Aravis has none): the ACTION_CMD packet,
// one result per acknowledging device within the time-out, and nothing sent outside the
// addresses ORNIC_ARAVIS_ADDRESSES lists. A UDP responder on 127.0.0.2 plays the camera.
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "BackendTestSupport.h"

using namespace AravisTest;
using namespace std::chrono_literals;

namespace {

const testing::Environment* const loopback = testing::AddGlobalTestEnvironment(new LoopbackEnvironment);

class ActionTest : public SdkTest {
protected:
    void SetUp() override
    {
        SdkTest::SetUp();
        ASSERT_TRUE(responder.Start()) << "cannot listen on 127.0.0.2:3956";
        addresses.Set("127.0.0.1,127.0.0.2");
    }

    MvActionCmdInfo Info(const char* address, uint32_t timeoutMs = 300)
    {
        MvActionCmdInfo info{};
        info.nDeviceKey = 0x11223344;
        info.nGroupKey = 0x55;
        info.nGroupMask = 0x0F;
        info.pBroadcastAddress = address;
        info.nTimeOut = timeoutMs;
        return info;
    }

    int Issue(MvActionCmdInfo info)
    {
        results = MvActionCmdResultList{};
        results.nNumResults = static_cast<uint32_t>(room.size());
        results.pResults = room.data();
        return MV_GIGE_IssueActionCommand(&info, &results);
    }

    ActionResponder responder;
    ScopedEnv addresses{"ORNIC_ARAVIS_ADDRESSES"};
    std::vector<MvActionCmdResult> room = std::vector<MvActionCmdResult>(4);
    MvActionCmdResultList results{};
};

}  // namespace

TEST_F(ActionTest, AnAcknowledgingDeviceGivesOneResult)
{
    responder.Configure(0x11223344, 0x55, 0x01, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Code(Issue(Info("127.0.0.2", 2000))), MV_OK);
    // A unicast command is done when its device answered, long before the time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    ASSERT_EQ(results.nNumResults, 1u);
    EXPECT_EQ(Text(room[0].strDeviceAddress), "127.0.0.2");
    EXPECT_EQ(room[0].nStatus, 0);
    const std::vector<ActionResponder::Received> commands = responder.Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].flags, 0x01);  // acknowledge wanted, not scheduled
    EXPECT_EQ(commands[0].length, 12);
    EXPECT_EQ(commands[0].deviceKey, 0x11223344u);
    EXPECT_EQ(commands[0].groupKey, 0x55u);
    EXPECT_EQ(commands[0].groupMask, 0x0Fu);
    EXPECT_FALSE(commands[0].hasTime);
}

TEST_F(ActionTest, TheDevicesStatusComesBack)
{
    responder.Configure(0x11223344, 0x55, 0x0F, 0x8013);  // no reference time
    ASSERT_EQ(Code(Issue(Info("127.0.0.2"))), MV_OK);
    ASSERT_EQ(results.nNumResults, 1u);
    EXPECT_EQ(room[0].nStatus, 0x8013);
}

TEST_F(ActionTest, NoAnswerTakesTheWholeTimeOut)
{
    responder.Configure(0x11223344, 0x55, 0x0F, ActionResponder::kNoAnswer);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Code(Issue(Info("127.0.0.2", 250))), MV_OK);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 240ms);
    EXPECT_EQ(results.nNumResults, 0u);
    EXPECT_EQ(responder.Commands().size(), 1u);
}

// As on the wire: a device whose keys do not match stays silent.
TEST_F(ActionTest, DevicesWithOtherKeysDoNotAnswer)
{
    responder.Configure(0x99999999, 0x55, 0x0F, 0);
    ASSERT_EQ(Code(Issue(Info("127.0.0.2", 200))), MV_OK);
    EXPECT_EQ(results.nNumResults, 0u);
    responder.Configure(0x11223344, 0x55, 0xF0, 0);  // no group bit in common
    ASSERT_EQ(Code(Issue(Info("127.0.0.2", 200))), MV_OK);
    EXPECT_EQ(results.nNumResults, 0u);
}

TEST_F(ActionTest, AScheduledActionCarriesItsTime)
{
    responder.Configure(0x11223344, 0x55, 0x0F, 0);
    MvActionCmdInfo info = Info("127.0.0.2");
    info.bActionTimeEnable = 1;
    info.nActionTime = 0x0123456789ABCDEFll;
    ASSERT_EQ(Code(Issue(info)), MV_OK);
    EXPECT_EQ(results.nNumResults, 1u);
    const std::vector<ActionResponder::Received> commands = responder.Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].flags, 0x81);  // scheduled, acknowledge wanted
    EXPECT_EQ(commands[0].length, 20);
    ASSERT_TRUE(commands[0].hasTime);
    EXPECT_EQ(commands[0].actionTime, 0x0123456789ABCDEFull);
}

// A broadcast never leaves the machine in a test: with ORNIC_ARAVIS_ADDRESSES it goes to
// each listed address directly. The emulator at 127.0.0.1 knows no action commands and
// stays silent; the responder answers.
TEST_F(ActionTest, ABroadcastReachesEachListedAddressDirectly)
{
    responder.Configure(0x11223344, 0x55, 0x0F, 0);
    ASSERT_EQ(Code(Issue(Info("255.255.255.255", 300))), MV_OK);
    ASSERT_EQ(results.nNumResults, 1u);
    EXPECT_EQ(Text(room[0].strDeviceAddress), "127.0.0.2");
    EXPECT_EQ(responder.Commands().size(), 1u);
    ASSERT_EQ(Code(Issue(Info("127.0.0.255", 300))), MV_OK);  // a subnet's broadcast: its listed addresses
    EXPECT_EQ(results.nNumResults, 1u);
    EXPECT_EQ(responder.Commands().size(), 2u);
    ASSERT_EQ(Code(Issue(Info("10.0.0.255", 100))), MV_OK);  // no listed address there: nothing sent
    EXPECT_EQ(results.nNumResults, 0u);
    EXPECT_EQ(responder.Commands().size(), 2u);
}

TEST_F(ActionTest, AnAddressOutsideTheListIsRefused)
{
    responder.Configure(0x11223344, 0x55, 0x0F, 0);
    EXPECT_EQ(Code(Issue(Info("127.0.0.3"))), MV_E_PARAMETER);
    addresses.Set("127.0.0.1");
    EXPECT_EQ(Code(Issue(Info("127.0.0.2"))), MV_E_PARAMETER);
    EXPECT_TRUE(responder.Commands().empty());
}

TEST_F(ActionTest, TheHostInterfaceMayBeNamed)
{
    responder.Configure(0x11223344, 0x55, 0x0F, 0);
    MvActionCmdInfo info = Info("127.0.0.2");
    info.bSpecialNetEnable = 1;
    info.pSpecialNetIP = "127.0.0.1";
    ASSERT_EQ(Code(Issue(info)), MV_OK);
    EXPECT_EQ(results.nNumResults, 1u);
    info.pSpecialNetIP = "not an address";
    EXPECT_EQ(Code(Issue(info)), MV_E_PARAMETER);
    info.pSpecialNetIP = nullptr;
    EXPECT_EQ(Code(Issue(info)), MV_E_PARAMETER);
}

TEST_F(ActionTest, ArgumentsAreChecked)
{
    MvActionCmdInfo info = Info("127.0.0.2");
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(nullptr, &results)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, nullptr)), MV_E_PARAMETER);
    info.pBroadcastAddress = nullptr;
    EXPECT_EQ(Code(Issue(info)), MV_E_PARAMETER);
    info.pBroadcastAddress = "127.0.0";
    EXPECT_EQ(Code(Issue(info)), MV_E_PARAMETER);
    // Room without an array is refused; no room and no array means no list wanted.
    info = Info("127.0.0.2", 100);
    MvActionCmdResultList none{};
    none.nNumResults = 2;
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &none)), MV_E_PARAMETER);
    responder.Configure(0x11223344, 0x55, 0x0F, 0);
    none.nNumResults = 0;
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &none)), MV_OK);
    EXPECT_EQ(none.nNumResults, 0u);
    EXPECT_EQ(MV_CC_Finalize(), 0);
    initialized = false;
    EXPECT_EQ(Code(Issue(Info("127.0.0.2"))), MV_E_CALLORDER);
}
