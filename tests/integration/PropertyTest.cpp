// Named properties, ranges and text commands through the exports, as the host uses them.
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "DriverFixture.h"

namespace {

using namespace std::chrono_literals;

// SDK operations that reach a camera's nodes.
const char* const kNodeOps[] = {"MV_CC_GetIntValueEx",     "MV_CC_SetIntValueEx",   "MV_CC_GetFloatValue",
                                "MV_CC_SetFloatValue",     "MV_CC_GetBoolValue",    "MV_CC_SetBoolValue",
                                "MV_CC_GetEnumValue",      "MV_CC_SetEnumValue",    "MV_CC_SetEnumValueByString",
                                "MV_CC_SetStringValue",    "MV_CC_SetCommandValue", "MV_XML_GetNodeFeature",
                                "MV_XML_GetNodeAccessMode"};

unsigned NodeCalls()
{
    unsigned total = 0;
    for (const char* op : kNodeOps) total += CamSim_GetCallCount(op);
    return total;
}

// The frame number the host saw from inside its callback, read through getProperty there.
std::atomic<int> frameNumberInCallback{-1};
std::atomic<int> callbacks{0};

void ORNIC_CALL ReadFrameNumber(int /*grabber*/, int port)
{
    int value = -1;
    DriverLibrary::Get().getProperty(0, port, "FrameNumber", &value);
    frameNumberInCallback.store(value);
    callbacks.fetch_add(1);
}

bool WaitCallbacks(int count)
{
    for (int i = 0; i < 500 && callbacks.load() < count; ++i) std::this_thread::sleep_for(10ms);
    return callbacks.load() >= count;
}

class PropertyTest : public DriverFixture {
protected:
    void SetUp() override
    {
        DriverFixture::SetUp();
        callbacks.store(0);
        frameNumberInCallback.store(-1);
    }
    // A camera on port 0 for tests that need one open.
    void StartWithMono(const std::string& ini = std::string())
    {
        Start(ini);
        ASSERT_TRUE(Open(0, kMonoName, &ReadFrameNumber));
    }
};

}  // namespace

TEST_F(PropertyTest, AliasesAndTheGammaFactorApplyToReadWriteAndRange)
{
    StartWithMono();
    EXPECT_EQ(d.setProperty(0, 0, "Exposure", 20000), 1);
    EXPECT_EQ(Get(0, "ExposureTime"), 20000);
    EXPECT_EQ(Get(0, "SHUTTER"), 20000);
    EXPECT_EQ(Get(0, "shuter"), 20000);
    ASSERT_EQ(d.setProperty(0, 0, "AcquisitionFrameRateEnable", 1), 1);
    EXPECT_EQ(d.setProperty(0, 0, "framerate", 30), 1);
    EXPECT_EQ(Get(0, "AcquisitionFrameRate"), 30);

    // Gamma travels multiplied by 1000: 1500 is 1.5 on the camera.
    ASSERT_EQ(d.setProperty(0, 0, "GammaEnable", 1), 1);
    EXPECT_EQ(d.setProperty(0, 0, "gamma", 1500), 1);
    EXPECT_EQ(Get(0, "Gamma"), 1500);
    EXPECT_EQ(Exec(0, "get", "gamma").reply, "1500");
    // The camera keeps single precision: 1.234 must not come back as 1233.
    EXPECT_EQ(d.setProperty(0, 0, "Gamma", 1234), 1);
    EXPECT_EQ(Get(0, "gamma"), 1234);

    int low = 0;
    int high = 0;
    ASSERT_EQ(d.getPropertyRange(0, 0, "GAMMA", &low, &high), 1);
    EXPECT_EQ(low, 250);
    EXPECT_EQ(high, 4000);
    ASSERT_EQ(d.getPropertyRange(0, 0, "exposure", &low, &high), 1);
    EXPECT_EQ(low, 15);
    EXPECT_EQ(high, 10000000);
    ASSERT_EQ(d.getPropertyRange(0, 0, "Width", &low, &high), 1);
    EXPECT_EQ(high, 1280);
    // No range for an enumeration or an unknown name; no pointers, no answer.
    EXPECT_EQ(d.getPropertyRange(0, 0, "TriggerMode", &low, &high), 0);
    EXPECT_EQ(d.getPropertyRange(0, 0, "NoSuchThing", &low, &high), 0);
    EXPECT_EQ(d.getPropertyRange(0, 0, "Width", nullptr, &high), 0);
    EXPECT_EQ(d.getPropertyRange(0, 0, nullptr, &low, &high), 0);
    EXPECT_TRUE(lines.WaitFor("GetRange: could not find parameter NoSuchThing"));
}

TEST_F(PropertyTest, ReservedNamesOnAnOpenAndAClosedCamera)
{
    StartWithMono(std::string("[General]\nReconnectOnLoss=0\n[Port.0.0]\n$Camera=") + kMonoName +
                  "\nTriggerMode=On\nTriggerSource=Software\n");
    EXPECT_EQ(Get(0, "PixelSize"), 8);
    EXPECT_EQ(Get(0, "logLevel"), 1);
    EXPECT_EQ(Get(0, "LogDebugView"), 1);
    EXPECT_EQ(Get(0, "FrameNumber"), 0);  // no frame yet
    EXPECT_EQ(Get(0, "continuous"), 0);
    EXPECT_EQ(Get(0, "printXML", -1), 0);  // done; the value is left as it was
    EXPECT_TRUE(std::filesystem::exists(dir.File("parameters.xml")));

    // The frame values are those of the last frame handed to the host, also inside its callback.
    for (int request = 1; request <= 2; ++request) {
        ASSERT_EQ(d.doCVLGrab(0, 0), 1);
        ASSERT_TRUE(WaitCallbacks(request));
    }
    EXPECT_GT(frameNumberInCallback.load(), 0);
    EXPECT_EQ(Get(0, "FrameNum"), frameNumberInCallback.load());
    EXPECT_EQ(Get(0, "FrameTriggerIndex"), 1);  // the second triggered frame

    EXPECT_EQ(d.setProperty(0, 0, "continous", 1), 1);
    EXPECT_EQ(Get(0, "continuous"), 1);
    EXPECT_EQ(d.setProperty(0, 0, "continuous", 0), 1);

    // A lost camera stays bound but closed.
    ASSERT_EQ(CamSim_Unplug(DeviceId(0), 0), 0);
    ASSERT_TRUE(lines.WaitFor("#0: ERR: Camera disconnect"));
    for (int i = 0; i < 500 && lines.Count("GetProperty (Width) ignored: camera in closed state") == 0; ++i) {
        Get(0, "Width");
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(d.setProperty(0, 0, "continuous", 1), 0);  // refused while closed
    EXPECT_EQ(d.setProperty(0, 0, "continuous", 0), 1);  // switching off is fine
    EXPECT_EQ(d.setProperty(0, 0, "Width", 640), 0);
    EXPECT_TRUE(lines.WaitFor("SetProperty (Width) ignored: camera in closed state"));
    EXPECT_EQ(Get(0, "Width", -1), -1);
    EXPECT_EQ(d.setProperty(0, 0, "softwareTrigger", 1), 0);
    EXPECT_EQ(d.setProperty(0, 0, "UserSetLoad", 1), 0);
    EXPECT_EQ(d.setProperty(0, 0, "FeatureSave", 1), 0);
    EXPECT_EQ(d.setProperty(0, 0, "DeviceReset", 1), 0);
    EXPECT_EQ(Get(0, "PixelSize"), 8);
    EXPECT_EQ(Get(0, "FrameNumber"), frameNumberInCallback.load());
    EXPECT_EQ(Get(0, "printXML", -1), -1);
    EXPECT_EQ(Get(0, "ReconnectOnLoss"), 0);  // a general setting needs no camera
}

TEST_F(PropertyTest, CommandParametersRunOnlyForValuesAboveZero)
{
    StartWithMono();
    ASSERT_EQ(Exec(0, "set", "TriggerMode=On").rc, 1);
    ASSERT_EQ(Exec(0, "set", "TriggerSource=Software").rc, 1);
    CamSim_ResetCallCounts();
    EXPECT_EQ(d.setProperty(0, 0, "TriggerSoftware", 0), 0);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetCommandValue"), 0u);
    EXPECT_EQ(d.setProperty(0, 0, "TriggerSoftware", 1), 1);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetCommandValue"), 1u);
    EXPECT_EQ(Exec(0, "set", "executeSoftwareTrigger").rc, 1);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetCommandValue"), 2u);
    EXPECT_EQ(Get(0, "TriggerSoftware", -1), -1);  // a command has no value
    // A refused command is a failure, not a success.
    ASSERT_EQ(Exec(0, "set", "TriggerMode=Off").rc, 1);
    EXPECT_EQ(d.setProperty(0, 0, "TriggerSoftware", 1), 0);
    EXPECT_EQ(d.setProperty(0, 0, "softwareTrigger", 1), 0);
}

TEST_F(PropertyTest, GeneralSettingsChangeTheModelWithoutCameraTraffic)
{
    StartWithMono();
    CamSim_ResetCallCounts();
    EXPECT_EQ(d.setProperty(0, 0, "ReconnectTryCount", 7), 1);
    EXPECT_EQ(Get(0, "ReconnectTryCount"), 7);
    EXPECT_EQ(Exec(0, "set", "ForceColorMode=color").rc, 1);
    EXPECT_EQ(Exec(0, "get", "ForceColorMode").reply, "color");
    EXPECT_EQ(NodeCalls(), 0u);
    // Read-only driver settings and values that do not fit are refused.
    EXPECT_EQ(d.setProperty(0, 0, "DrvVersion", 2), 0);
    EXPECT_EQ(Exec(0, "set", "ForceColorMode=purple").rc, 0);
    EXPECT_EQ(Exec(0, "get", "ForceColorMode").reply, "color");
}

TEST_F(PropertyTest, TextCommandsReplyAndRefuseBadInput)
{
    StartWithMono();
    EXPECT_EQ(Exec(0, "set", "Width=640").rc, 1);
    EXPECT_EQ(Exec(0, "set", "Width=640").reply, "");
    EXPECT_EQ(Exec(0, "GET", "width").reply, "640");
    EXPECT_EQ(Exec(0, "set", " OffsetX = 16 ").rc, 1);
    EXPECT_EQ(Get(0, "OffsetX"), 16);
    // Enumerations: by name, or by the entry's value through the integer export.
    EXPECT_EQ(Exec(0, "set", "TriggerMode=on").rc, 1);
    EXPECT_EQ(Exec(0, "get", "TriggerMode").reply, "On");
    EXPECT_EQ(Get(0, "TriggerMode"), 1);
    EXPECT_EQ(d.setProperty(0, 0, "TriggerMode", 0), 1);
    EXPECT_EQ(Exec(0, "get", "TriggerMode").reply, "Off");
    EXPECT_EQ(d.setProperty(0, 0, "TriggerMode", 7), 0);
    // A 64-bit value (the 48-bit MAC address) reaches getProperty as its low 32 bits.
    const uint64_t mac = std::stoull(Exec(0, "get", "GevMACAddress").reply);
    EXPECT_EQ(mac >> 24, 0x024F52u);  // 02:4F:52:...
    EXPECT_EQ(static_cast<uint32_t>(Get(0, "GevMACAddress")), static_cast<uint32_t>(mac & 0xFFFFFFFFu));
    // A value the camera refuses leaves the model with the camera's value.
    EXPECT_EQ(Exec(0, "set", "Width=99999").reply, "setProperty error");
    EXPECT_EQ(Get(0, "Width"), 640);

    struct Refusal {
        const char* command;
        const char* parameter;
        const char* reply;
    };
    const Refusal refusals[] = {
        {"set", "Width=abc", "setProperty error"},
        {"set", "NoSuchParameter=1", "setProperty error"},
        {"get", "NoSuchParameter", ""},
        {"frobnicate", "Width", "Unrecognized cmd"},
        {"set", "ActionCommand={key=1", "malformed parameter"},
        {"set", "loglevel=high", "bad value"},
    };
    for (const Refusal& r : refusals) {
        const Answer answer = Exec(0, r.command, r.parameter);
        EXPECT_EQ(answer.rc, 0) << r.command << " " << r.parameter;
        EXPECT_EQ(answer.reply, r.reply) << r.command << " " << r.parameter;
    }
    EXPECT_TRUE(lines.WaitFor("ExecuteCmd unrecognized cmd:frobnicate"));

    // The reply never goes beyond its size; none or a size of 0 or less is left alone.
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(d.execCmd(0, 7, "set", "Width=1", small, 5), 0);
    EXPECT_STREQ(small, "came");
    EXPECT_EQ(small[5], 'x');
    for (int size : {0, -3}) {
        std::memset(small, 'x', sizeof small);
        EXPECT_EQ(d.execCmd(0, 7, "set", "Width=1", small, size), 0);
        EXPECT_EQ(small[0], 'x');
    }
    EXPECT_EQ(d.execCmd(0, 0, "frobnicate", "x", nullptr, 64), 0);
    EXPECT_EQ(d.execCmd(0, 0, nullptr, "x", small, 8), 0);
    EXPECT_EQ(d.execCmd(0, 0, "get", nullptr, small, 8), 0);
    // The integer exports refuse missing names and pointers with a line each.
    int value = 0;
    EXPECT_EQ(d.getProperty(0, 0, nullptr, &value), 0);
    EXPECT_EQ(d.getProperty(0, 0, "Width", nullptr), 0);
    EXPECT_EQ(d.setProperty(0, 0, nullptr, 1), 0);
    EXPECT_EQ(d.setProperty(0, 20, "Width", 640), 0);
    EXPECT_TRUE(lines.WaitFor("setProperty refused: no property name"));
    EXPECT_TRUE(lines.WaitFor("setProperty: no camera on port #20"));
}

TEST_F(PropertyTest, DriverWideSettingsNeedNoCamera)
{
    Start();
    EXPECT_EQ(Exec(5, "get", "LogLevel").reply, "1");
    EXPECT_EQ(Exec(5, "set", "loglevel=3").rc, 1);
    EXPECT_EQ(Exec(5, "get", "logLevel").reply, "3");
    EXPECT_TRUE(lines.WaitFor("Log level set to 3"));
    EXPECT_EQ(Exec(5, "set", "loglevel=1").rc, 1);
    EXPECT_EQ(Exec(5, "set", "LogDebugView=2").rc, 1);
    EXPECT_EQ(Exec(5, "get", "debugview").reply, "2");
    EXPECT_EQ(Exec(5, "set", "debugview").rc, 1);  // no value: 1
    EXPECT_EQ(Exec(5, "get", "debugview").reply, "1");

    const std::string defaultFile = Exec(5, "get", "DefaultIniFile").reply;
    EXPECT_EQ(defaultFile, dir.File("ornic.ini"));
    EXPECT_EQ(Exec(5, "set", "IniFile=cams/line2.ini").rc, 1);
    EXPECT_EQ(Exec(5, "get", "ActiveIniFile").reply, dir.File("line2.ini"));
    EXPECT_EQ(Exec(5, "set", "IniFile=cams/").reply, "set ini failed");
    EXPECT_EQ(Exec(5, "get", "ActiveIniFile").reply, dir.File("line2.ini"));
    EXPECT_EQ(Exec(5, "set", "IniFile=").rc, 1);  // empty: back to the default
    EXPECT_EQ(Exec(5, "get", "ActiveIniFile").reply, defaultFile);
    // Camera-level names need a camera.
    EXPECT_EQ(Exec(5, "set", "Width=640").reply, "camera not found");
    EXPECT_EQ(Exec(5, "save", "").reply, "save error");
    EXPECT_EQ(Exec(5, "load", "").reply, "load error");
}

TEST_F(PropertyTest, IniSaveAndLoadByNamePathAndSymbol)
{
    StartWithMono();
    ASSERT_EQ(d.setProperty(0, 0, "ExposureTime", 12345), 1);
    EXPECT_EQ(Exec(0, "save", "copy.ini").rc, 1);
    EXPECT_NE(dir.Read("copy.ini").find("ExposureTime=12345"), std::string::npos);
    const std::string absolute = dir.File("abs.ini");
    EXPECT_EQ(Exec(0, "save", ("file=" + absolute).c_str()).rc, 1);
    EXPECT_TRUE(std::filesystem::exists(absolute));

    // A load takes the values into the open camera, locked format nodes included.
    ASSERT_EQ(d.setProperty(0, 0, "ExposureTime", 20000), 1);
    ASSERT_EQ(d.setProperty(0, 0, "Width", 640), 1);
    ASSERT_EQ(Exec(0, "save", "narrow.ini").rc, 1);
    EXPECT_EQ(Exec(0, "load", "copy.ini").rc, 1);
    EXPECT_EQ(Get(0, "ExposureTime"), 12345);
    EXPECT_EQ(Get(0, "Width"), 1280);
    EXPECT_EQ(Exec(0, "load", "narrow.ini").rc, 1);
    EXPECT_EQ(Get(0, "Width"), 640);
    EXPECT_EQ(Exec(0, "load", "missing.ini").reply, "load error");

    // The two symbolic names, and a bare number for the active file.
    ASSERT_EQ(Exec(0, "set", "IniFile=alt.ini").rc, 1);
    EXPECT_EQ(Exec(0, "save", "ActiveIniFile").rc, 1);
    EXPECT_TRUE(std::filesystem::exists(dir.File("alt.ini")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("ornic.ini")));
    EXPECT_EQ(Exec(0, "save", "x=DefaultIniFile").rc, 1);
    EXPECT_NE(dir.Read("ornic.ini").find("$Camera=SIM-GM130 (S1000001)"), std::string::npos);
    std::filesystem::remove(dir.File("alt.ini"));
    EXPECT_EQ(d.setProperty(0, 0, "save", 1), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.File("alt.ini")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("1")));
}

TEST_F(PropertyTest, UserSetsSaveLoadAndTheDefaultSurvivesAPowerCycle)
{
    StartWithMono();
    ASSERT_EQ(d.setProperty(0, 0, "ExposureTime", 11111), 1);
    EXPECT_EQ(d.setProperty(0, 0, "UserSetSave", 1), 1);
    ASSERT_EQ(d.setProperty(0, 0, "ExposureTime", 22222), 1);
    EXPECT_EQ(d.setProperty(0, 0, "UserSetLoad", 1), 1);
    EXPECT_EQ(Get(0, "ExposureTime"), 11111);
    ASSERT_EQ(d.setProperty(0, 0, "ExposureTime", 22222), 1);
    EXPECT_EQ(Exec(0, "set", "UserSet=UserSet1").rc, 1);  // by name, not read as 0
    EXPECT_EQ(Get(0, "ExposureTime"), 11111);
    // Grabbing came back after the loads.
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    EXPECT_TRUE(WaitCallbacks(1));

    for (const char* bad : {"UserSetLoad=4", "UserSetLoad=-1", "UserSetLoad=abc"}) {
        EXPECT_EQ(Exec(0, "set", bad).rc, 0) << bad;
    }
    EXPECT_TRUE(lines.WaitFor("Unrecognized user set:4"));
    EXPECT_EQ(d.setProperty(0, 0, "UserSetSave", 0), 0);  // the factory set cannot be overwritten

    EXPECT_EQ(d.setProperty(0, 0, "UserSetDefault", 1), 1);
    EXPECT_EQ(Exec(0, "get", "UserSetDefault").reply, "UserSet1");
    ASSERT_EQ(d.setProperty(0, 0, "ExposureTime", 22222), 1);
    ASSERT_EQ(d.closeCVLPort(0, 0), 1);
    openedPorts.clear();
    const unsigned int id = DeviceId(0);
    ASSERT_EQ(CamSim_Unplug(id, 0), 0);
    ASSERT_EQ(CamSim_Replug(id), 0);
    ASSERT_TRUE(Open(0, kMonoName));
    EXPECT_EQ(Get(0, "ExposureTime"), 11111);
    EXPECT_EQ(Exec(0, "get", "UserSetDefault").reply, "UserSet1");
}

TEST_F(PropertyTest, FeatureFileRoundTripUnderTheSystemPath)
{
    StartWithMono();
    ASSERT_EQ(d.setProperty(0, 0, "ExposureTime", 13579), 1);
    ASSERT_EQ(d.setProperty(0, 0, "Width", 640), 1);
    CamSim_ResetCallCounts();
    EXPECT_EQ(Exec(0, "set", "FeatureSave=cam.features").rc, 1);
    // Grabbing was stopped around the save and started again.
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_StopGrabbing"), 1u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_StartGrabbing"), 1u);
    EXPECT_NE(dir.Read("cam.features").find("ExposureTime = 13579"), std::string::npos);
    ASSERT_EQ(d.setProperty(0, 0, "ExposureTime", 24680), 1);
    ASSERT_EQ(d.setProperty(0, 0, "Width", 1280), 1);
    EXPECT_EQ(Exec(0, "set", "FeatureLoad=cam.features").rc, 1);
    EXPECT_EQ(Get(0, "ExposureTime"), 13579);
    EXPECT_EQ(Get(0, "Width"), 640);
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    EXPECT_TRUE(WaitCallbacks(1));

    EXPECT_EQ(Exec(0, "set", "FeatureLoad=missing.features").rc, 0);
    EXPECT_EQ(Exec(0, "set", "FeatureSave=../outside.features").rc, 0);
    EXPECT_EQ(Exec(0, "set", ("FeatureSave=" + dir.File("abs.features")).c_str()).rc, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("abs.features")));
}

TEST_F(PropertyTest, ActionCommandsReportEachRefusingDevice)
{
    ASSERT_EQ(CamSim_LoadConfig("gige:SIM-GM130:S1000001:mono:ip=10.0.0.7; gige:SIM-GM130:S1000002:mono:ip=10.0.0.8",
                                nullptr),
              0);
    const unsigned int first = DeviceId(0);
    const unsigned int second = DeviceId(1);
    Start();
    ASSERT_TRUE(Open(0, kMonoName));
    ASSERT_EQ(CamSim_SetActionAnswer(second, 0x8013), 0);

    // One acts, one refuses: done, and the refusal is logged.
    EXPECT_EQ(Exec(0, "set", "ActionCommand").rc, 1);
    EXPECT_TRUE(
        lines.WaitFor("   ActionCommand FAILED for 10.0.0.8, error code=32787 : The device is not "
                      "synchronized to a master clock to be used as time reference"));
    // Both refuse: the reply lists them one after the other.
    ASSERT_EQ(CamSim_SetActionAnswer(first, 0x8016), 0);
    const Answer both = Exec(0, "set", "ActionCommand={ip=255.255.255.255}");
    EXPECT_EQ(both.rc, 0);
    EXPECT_EQ(both.reply,
              "FAILED for 10.0.0.7, rc=32790, The requested scheduled action command was requested at a time that is "
              "already pastFAILED for 10.0.0.8, rc=32787, The device is not synchronized to a master clock to be used "
              "as time reference");
    // None answers.
    ASSERT_EQ(CamSim_SetActionAnswer(first, CAMSIM_ACTION_NO_ANSWER), 0);
    ASSERT_EQ(CamSim_SetActionAnswer(second, CAMSIM_ACTION_NO_ANSWER), 0);
    const Answer none = Exec(0, "set", "ActionCommand");
    EXPECT_EQ(none.rc, 0);
    EXPECT_EQ(none.reply, "");

    // Arguments in capitals, and keys that only the second camera has.
    ASSERT_EQ(CamSim_SetActionAnswer(second, 0), 0);
    ASSERT_EQ(CamSim_SetActionKeys(second, 5, 6, 4), 0);
    EXPECT_EQ(Exec(0, "set", "ActionCommand={KEY=5; GROUP=6; GroupMask=0x4; Time=100}").rc, 1);
    EXPECT_EQ(Exec(0, "set", "ActionCommand={key=5; group=6}").rc, 0);  // mask 1 shares no bit with 4
    EXPECT_NE(Exec(0, "set", "ActionCommand={key=5; colour=red}").reply.find("unknown argument colour"),
              std::string::npos);
    EXPECT_EQ(Exec(0, "set", "ActionCommand={key=-5}").rc, 0);
}

namespace {

// What the simulator saw during an HDR write: a grab request arrives right after the selector
// is written, and the camera's grabbing state is taken when the value follows.
struct HdrWatch {
    std::atomic<bool> selectorSeen{false};
    std::atomic<int> grabbingAtValue{-1};
    unsigned int device = 0;
};

void CAMSIM_CALL WatchHdrWrites(void* user, const char* node)
{
    HdrWatch& watch = *static_cast<HdrWatch*>(user);
    if (std::strcmp(node, "HDRSelector") == 0 && !watch.selectorSeen.exchange(true)) {
        DriverLibrary::Get().doCVLGrab(0, 0);
        std::this_thread::sleep_for(200ms);  // room for the control thread to act on it
    } else if (std::strcmp(node, "HDRShutter") == 0 && watch.selectorSeen.load()) {
        CamSimStreamStats stats{};
        CamSim_GetStreamStats(watch.device, &stats);
        watch.grabbingAtValue.store(static_cast<int>(stats.grabbing));
    }
}

}  // namespace

TEST_F(PropertyTest, HdrWriteKeepsGrabbingPausedFromSelectorToValue)
{
    Start();
    ASSERT_TRUE(Open(0, kColourName, &ReadFrameNumber));
    ASSERT_EQ(d.setProperty(0, 0, "HDREnable", 1), 1);
    HdrWatch watch;
    watch.device = DeviceId(1);
    CamSim_ResetCallCounts();
    CamSim_SetWriteHook(&WatchHdrWrites, &watch);
    EXPECT_EQ(d.setProperty(0, 0, "HDR_Shutter1", 5000), 1);
    CamSim_SetWriteHook(nullptr, nullptr);
    ASSERT_TRUE(watch.selectorSeen.load());
    EXPECT_EQ(watch.grabbingAtValue.load(), 0) << "grabbing restarted between selector and value";
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_StopGrabbing"), 1u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_StartGrabbing"), 1u);
    EXPECT_EQ(Get(0, "HDR_Shutter1"), 5000);
    EXPECT_EQ(Get(0, "HDR_Shutter0"), 10000);
    EXPECT_TRUE(WaitCallbacks(1));  // the grab request was served after the write
}

TEST_F(PropertyTest, ContinuousModeCarriesAcquisitionModeAlongWhenAsked)
{
    StartWithMono(std::string("[General]\nSyncContinousMode=1\n[Port.0.0]\n$Camera=") + kMonoName + "\n");
    ASSERT_EQ(Exec(0, "set", "AcquisitionMode=SingleFrame").rc, 1);
    EXPECT_EQ(d.setProperty(0, 0, "continuous", 1), 1);
    EXPECT_EQ(Exec(0, "get", "AcquisitionMode").reply, "Continuous");
    EXPECT_TRUE(WaitCallbacks(3));  // frames flow without requests
    EXPECT_EQ(d.setProperty(0, 0, "continuous", 0), 1);
    EXPECT_EQ(Exec(0, "get", "AcquisitionMode").reply, "SingleFrame");
}

namespace {

std::atomic<int> widthInCallback{0};
std::atomic<int> writeInCallback{-1};

// A host that reads and writes from inside its callback: the read is served, the write that
// would have to stop grabbing fails at once instead of waiting for this very callback.
void ORNIC_CALL WriteFromCallback(int grabber, int port)
{
    DriverLibrary& d = DriverLibrary::Get();
    int width = 0;
    if (d.getProperty(grabber, port, "Width", &width) == 1) widthInCallback.store(width);
    writeInCallback.store(d.setProperty(grabber, port, "Width", 640));
    callbacks.fetch_add(1);
}

}  // namespace

TEST_F(PropertyTest, CallsFromInsideTheCallbackNeverWaitForIt)
{
    Start();
    ASSERT_TRUE(Open(0, kMonoName, &WriteFromCallback));
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    ASSERT_TRUE(WaitCallbacks(1));
    EXPECT_EQ(widthInCallback.load(), 1280);
    EXPECT_EQ(writeInCallback.load(), 0);
    EXPECT_TRUE(lines.WaitFor("Grabbing not paused: the call came from inside the completion callback"));
    EXPECT_EQ(d.setProperty(0, 0, "Width", 640), 1);  // from the host's own thread it works
}
