// GigE Vision action commands: which cameras they reach and act on, the result list, and the
// frame an action trigger starts.
#include "StreamSupport.h"

namespace SimTest {
namespace {

class Actions : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        // Two GigE Vision cameras on one subnet, one on another, one USB3 Vision camera.
        ASSERT_EQ(
            Code(CamSim_LoadConfig("gige:SIM-A:A1; gige:SIM-A:A2; gige:SIM-A:A3:ip=10.1.2.3; usb:SIM-U:U1", nullptr)),
            MV_OK);
        ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
        for (unsigned int i = 0; i < 4; ++i) {
            ids[i] = Device(i).id;
        }
        info.nDeviceKey = 1;
        info.nGroupKey = 1;
        info.nGroupMask = 1;
        info.pBroadcastAddress = "255.255.255.255";
        info.nTimeOut = 50;
        list.nNumResults = 8;
        list.pResults = results;
    }

    std::vector<std::string> Answered() const
    {
        std::vector<std::string> addresses;
        for (uint32_t i = 0; i < list.nNumResults; ++i) {
            addresses.push_back(Text(results[i].strDeviceAddress));
        }
        return addresses;
    }

    unsigned int ids[4] = {};
    MvActionCmdInfo info{};
    MvActionCmdResult results[8] = {};
    MvActionCmdResultList list{};
};

TEST_F(Actions, BroadcastReachesEveryMatchingGigECamera)
{
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_EQ(Answered(), (std::vector<std::string>{"192.168.10.11", "192.168.10.12", "10.1.2.3"}));
    for (uint32_t i = 0; i < list.nNumResults; ++i) {
        EXPECT_EQ(results[i].nStatus, 0);
    }
    // A subnet's broadcast, one camera's address, the host interface.
    info.pBroadcastAddress = "192.168.10.255";
    list.nNumResults = 8;
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_EQ(Answered(), (std::vector<std::string>{"192.168.10.11", "192.168.10.12"}));
    info.pBroadcastAddress = "10.1.2.3";
    list.nNumResults = 8;
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_EQ(Answered(), (std::vector<std::string>{"10.1.2.3"}));
    info.pBroadcastAddress = "255.255.255.255";
    info.bSpecialNetEnable = 1;
    info.pSpecialNetIP = "10.1.2.1";
    list.nNumResults = 8;
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_EQ(Answered(), (std::vector<std::string>{"10.1.2.3"}));

    // nNumResults in: room in pResults; out: entries written.
    info.bSpecialNetEnable = 0;
    list.nNumResults = 1;
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_EQ(Answered(), (std::vector<std::string>{"192.168.10.11"}));
    list.nNumResults = 0;
    list.pResults = nullptr;
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_EQ(list.nNumResults, 0u);
}

TEST_F(Actions, KeysAndAnswersDecideWhoAcknowledges)
{
    ASSERT_EQ(Code(CamSim_SetActionKeys(ids[0], 7, 0x20, 0x0C)), MV_OK);
    ASSERT_EQ(Code(CamSim_SetActionAnswer(ids[1], 0x8015)), MV_OK);
    ASSERT_EQ(Code(CamSim_SetActionAnswer(ids[2], CAMSIM_ACTION_NO_ANSWER)), MV_OK);
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    ASSERT_EQ(Answered(), (std::vector<std::string>{"192.168.10.12"}));
    EXPECT_EQ(results[0].nStatus, 0x8015);

    // The group masks need one bit in common.
    info.nDeviceKey = 7;
    info.nGroupKey = 0x20;
    info.nGroupMask = 0x04;
    list.nNumResults = 8;
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_EQ(Answered(), (std::vector<std::string>{"192.168.10.11"}));
    info.nGroupMask = 0x03;
    list.nNumResults = 8;
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_EQ(list.nNumResults, 0u);

    // A camera that does not answer costs the whole time-out.
    info.nDeviceKey = info.nGroupKey = info.nGroupMask = 1;
    list.nNumResults = 8;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));

    EXPECT_EQ(Code(CamSim_SetActionAnswer(ids[0], 0x8001)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_SetActionAnswer(ids[3], 0)), MV_E_PARAMETER);  // not GigE Vision
    EXPECT_EQ(Code(CamSim_SetActionKeys(ids[3], 1, 1, 1)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_SetActionKeys(0, 1, 1, 1)), MV_E_PARAMETER);
}

TEST_F(Actions, ArgumentsAndCallOrder)
{
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(nullptr, &list)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, nullptr)), MV_E_PARAMETER);
    info.pBroadcastAddress = nullptr;
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_E_PARAMETER);
    info.pBroadcastAddress = "256.1.1.1";
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_E_PARAMETER);
    info.pBroadcastAddress = "255.255.255.255";
    info.bSpecialNetEnable = 1;
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_E_PARAMETER);  // no interface given
    info.bSpecialNetEnable = 0;
    list.pResults = nullptr;
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_E_PARAMETER);  // room but no array
    list.pResults = results;
    FinalizeAll();
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_E_CALLORDER);
}

TEST_F(Actions, AnActionTriggersAWaitingCamera)
{
    void* camera = OpenHandle(0);
    ASSERT_NE(camera, nullptr);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(camera, "Width", 128)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(camera, "Height", 64)), MV_OK);
    ASSERT_EQ(SetEnum(camera, "TriggerMode", "On"), MV_OK);
    ASSERT_EQ(SetEnum(camera, "TriggerSource", "Action1"), MV_OK);
    FrameCollector frames;
    ASSERT_EQ(Code(MV_CC_SetImageNodeNum(camera, 3)), MV_OK);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(camera, &FrameCollector::OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(camera)), MV_OK);
    // Wrong keys: no frame.
    info.nDeviceKey = 2;
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    EXPECT_EQ(list.nNumResults, 0u);  // no camera took it: none acknowledged
    info.nDeviceKey = 1;
    list.nNumResults = 8;
    ASSERT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &list)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(1));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(camera)), MV_OK);
    EXPECT_EQ(frames.Count(), 1u);
    EXPECT_EQ(Stats(ids[0]).framesProduced, 1u);
}

}  // namespace
}  // namespace SimTest
