// The feature set of the simulator's own cameras. Names, entries and units follow the
// standard feature naming convention, so a driver written against these finds the same
// features on a real camera.
#include <map>
#include <mutex>
#include <utility>

#include "camsim/NodeModel.h"
#include "camsim/SimControl.h"

namespace CamSim {

namespace {

struct Sensor {
    int64_t width;
    int64_t height;
    int64_t widthInc;
    double maxFrameRate;
};

std::vector<EnumEntryDesc> PixelFormats(uint32_t kind)
{
    if (kind == CAMSIM_KIND_MONO) {
        return {{"Mono8", PixelType_Mono8},
                {"Mono10", PixelType_Mono10},
                {"Mono10Packed", PixelType_Mono10_Packed},
                {"Mono12", PixelType_Mono12},
                {"Mono12Packed", PixelType_Mono12_Packed}};
    }
    struct Pattern {
        const char* name;
        MvPixelType p8, p10, p10Packed, p12, p12Packed;
    };
    static const Pattern patterns[] = {
        {"RG", PixelType_BayerRG8, PixelType_BayerRG10, PixelType_BayerRG10_Packed, PixelType_BayerRG12,
         PixelType_BayerRG12_Packed},
        {"GR", PixelType_BayerGR8, PixelType_BayerGR10, PixelType_BayerGR10_Packed, PixelType_BayerGR12,
         PixelType_BayerGR12_Packed},
        {"GB", PixelType_BayerGB8, PixelType_BayerGB10, PixelType_BayerGB10_Packed, PixelType_BayerGB12,
         PixelType_BayerGB12_Packed},
        {"BG", PixelType_BayerBG8, PixelType_BayerBG10, PixelType_BayerBG10_Packed, PixelType_BayerBG12,
         PixelType_BayerBG12_Packed},
    };
    const Pattern& p = patterns[(kind - CAMSIM_KIND_BAYER_RG) % 4];
    const std::string bayer = std::string("Bayer") + p.name;
    return {{"Mono8", PixelType_Mono8},
            {bayer + "8", p.p8},
            {bayer + "10", p.p10},
            {bayer + "10Packed", p.p10Packed},
            {bayer + "12", p.p12},
            {bayer + "12Packed", p.p12Packed},
            {"RGB8Packed", PixelType_RGB8_Packed},
            {"BGR8Packed", PixelType_BGR8_Packed},
            {"YUV422_8_UYVY", PixelType_YUV422_Packed},
            {"YUV422_8", PixelType_YUV422_YUYV_Packed}};
}

const std::vector<EnumEntryDesc> kOffOnceContinuous = {{"Off", 0}, {"Once", 1}, {"Continuous", 2}};
const std::vector<EnumEntryDesc> kUserSets = {{"Default", 0}, {"UserSet1", 1}, {"UserSet2", 2}};

std::shared_ptr<const Model> BuildDefault(uint32_t transport, uint32_t kind)
{
    const bool colour = kind != CAMSIM_KIND_MONO;
    const bool gige = transport == MV_GIGE_DEVICE;
    const Sensor sensor = colour ? Sensor{2448, 2048, 8, 35.0} : Sensor{1280, 1024, 4, 90.0};
    const std::vector<EnumEntryDesc> formats = PixelFormats(kind);

    ModelBuilder b;
    b.Category("DeviceControl").Description("Device information and control.");
    b.String("DeviceVendorName", "Ornic Sim", 32).Access(AM_RO).Description("Name of the manufacturer.");
    b.String("DeviceModelName", "SIM", gige ? 32 : 63).Access(AM_RO).Description("Model of the device.");
    b.String("DeviceVersion", "1.0.0", gige ? 32 : 63).Access(AM_RO);
    b.String("DeviceSerialNumber", "", gige ? 16 : 63).Access(AM_RO);
    b.String("DeviceUserID", "", 16).Display("Device User ID").Description("User-programmable device identifier.");
    b.Enumeration("DeviceScanType", {{"Areascan", 0}}, "Areascan").Access(AM_RO).Visibility(V_Expert);
    b.Float("DeviceTemperature", -40.0, 120.0, 41.5).Access(AM_RO).Unit("C").Visibility(V_Expert);
    b.Command("DeviceReset").Visibility(V_Guru).Description("Resets the device to its power-up state.");

    b.Category("ImageFormatControl").Description("Image size and format.");
    b.Integer("WidthMax", sensor.width, sensor.width, 1, sensor.width).Access(AM_RO).Visibility(V_Expert);
    b.Integer("HeightMax", sensor.height, sensor.height, 1, sensor.height).Access(AM_RO).Visibility(V_Expert);
    b.Integer("Width", 64, sensor.width, sensor.widthInc, sensor.width)
        .LockedWhileAcquiring()
        .Description("Width of the image provided by the device (in pixels).");
    b.Integer("Height", 64, sensor.height, 2, sensor.height)
        .LockedWhileAcquiring()
        .Description("Height of the image provided by the device (in pixels).");
    b.Integer("OffsetX", 0, sensor.width - 64, sensor.widthInc, 0);
    b.Integer("OffsetY", 0, sensor.height - 64, 2, 0);
    b.Enumeration("BinningSelector", {{"Sensor", 0}}, "Sensor").Visibility(V_Expert);
    b.Integer("BinningHorizontal", 1, 4, 1, 1).Visibility(V_Expert).LockedWhileAcquiring();
    b.Integer("BinningVertical", 1, 4, 1, 1).Visibility(V_Expert).LockedWhileAcquiring();
    b.Integer("DecimationHorizontal", 1, 2, 1, 1).Visibility(V_Guru).LockedWhileAcquiring();
    b.Integer("DecimationVertical", 1, 2, 1, 1).Visibility(V_Guru).LockedWhileAcquiring();
    b.Enumeration("PixelFormat", formats, colour ? formats[1].symbolic : formats.front().symbolic)
        .LockedWhileAcquiring()
        .Display("Pixel Format")
        .Description("Format of the pixels provided by the device.");
    b.Enumeration("TestPattern", {{"Off", 0}, {"GreyHorizontalRamp", 1}, {"GreyVerticalRamp", 2}}, "Off")
        .Visibility(V_Guru);
    b.Enumeration("ImageCompressionMode", {{"Off", 0}, {"HB", 1}}, "Off").Visibility(V_Expert).LockedWhileAcquiring();
    b.Enumeration("HighBandwidthMode", {{"Off", 0}, {"On", 1}}, "Off").Visibility(V_Guru).LockedWhileAcquiring();

    b.Category("AcquisitionControl").Description("Image acquisition and triggering.");
    b.Enumeration("AcquisitionMode", {{"SingleFrame", 0}, {"MultiFrame", 1}, {"Continuous", 2}}, "Continuous")
        .LockedWhileAcquiring();
    b.Integer("AcquisitionFrameCount", 1, 65535, 1, 1)
        .LockedWhileAcquiring()
        .Description("Frames per acquisition in MultiFrame mode.");
    b.Command("AcquisitionStart");
    b.Command("AcquisitionStop");
    b.Boolean("AcquisitionFrameRateEnable", false);
    b.Float("AcquisitionFrameRate", 0.1, sensor.maxFrameRate, 10.0)
        .Unit("Hz")
        .WritableWhen("AcquisitionFrameRateEnable", "true");
    b.Enumeration("ExposureAuto", kOffOnceContinuous, "Off");
    b.Float("ExposureTime", 15.0, 10000000.0, 10000.0).Unit("us").WritableWhen("ExposureAuto", "Off");
    b.Enumeration("TriggerSelector", {{"FrameStart", 0}}, "FrameStart").Visibility(V_Expert);
    b.Enumeration("TriggerMode", {{"Off", 0}, {"On", 1}}, "Off");
    std::vector<EnumEntryDesc> triggerSources = {{"Line0", 0}, {"Line1", 1}, {"Line2", 2}, {"Software", 7}};
    if (gige) {
        triggerSources.push_back({"Action1", 8});  // GigE Vision action commands
    }
    b.Enumeration("TriggerSource", triggerSources, "Line0");
    b.Command("TriggerSoftware").AvailableWhen("TriggerMode", "On").AvailableWhen("TriggerSource", "Software");
    b.Enumeration("TriggerActivation", {{"RisingEdge", 0}, {"FallingEdge", 1}}, "RisingEdge").Visibility(V_Expert);
    b.Float("TriggerDelay", 0.0, 16000000.0, 0.0).Unit("us").Visibility(V_Expert);
    b.Enumeration("SensorShutterMode", {{"Global", 0}, {"Rolling", 1}, {"GlobalReset", 2}}, "Global")
        .Visibility(V_Expert)
        .LockedWhileAcquiring();
    // HDR sequences of four exposures. The two models differ as real ones do: the colour camera
    // spells HDRShutter and has HDRGain, the mono one spells HDRShuter and has no gain.
    b.Boolean("HDREnable", false).Visibility(V_Expert).Description("Cycles through the HDR settings frame by frame.");
    b.Integer("HDRSelector", 0, 3, 1, 0).Visibility(V_Expert).WritableWhen("HDREnable", "true");
    b.Integer(colour ? "HDRShutter" : "HDRShuter", 15, 1000000, 1, 10000)
        .Unit("us")
        .Visibility(V_Expert)
        .SelectedBy("HDRSelector")
        .WritableWhen("HDREnable", "true");
    if (colour) {
        b.Float("HDRGain", 0.0, 24.0, 0.0)
            .Unit("dB")
            .Visibility(V_Expert)
            .SelectedBy("HDRSelector")
            .WritableWhen("HDREnable", "true");
    }

    b.Category("AnalogControl").Description("Gain, black level, gamma and colour balance.");
    b.Enumeration("GainAuto", kOffOnceContinuous, "Off");
    b.Float("Gain", 0.0, colour ? 24.0 : 17.0, 0.0).Unit("dB").WritableWhen("GainAuto", "Off");
    b.Float("AutoGainLowerLimit", 0.0, colour ? 24.0 : 17.0, 0.0).Unit("dB").Visibility(V_Expert);
    b.Float("AutoGainUpperLimit", 0.0, colour ? 24.0 : 17.0, colour ? 24.0 : 17.0).Unit("dB").Visibility(V_Expert);
    b.Float("BlackLevel", 0.0, 255.0, 30.0).Visibility(V_Expert);
    b.Boolean("GammaEnable", false).Visibility(V_Expert);
    b.Enumeration("GammaSelector", {{"User", 1}, {"sRGB", 2}}, "User")
        .Visibility(V_Expert)
        .WritableWhen("GammaEnable", "true");
    b.Float("Gamma", 0.25, 4.0, 1.0)
        .Visibility(V_Expert)
        .WritableWhen("GammaEnable", "true")
        .WritableWhen("GammaSelector", "User");
    if (colour) {
        b.Enumeration("BalanceWhiteAuto", kOffOnceContinuous, "Off");
        b.Enumeration("BalanceRatioSelector", {{"Red", 0}, {"Green", 1}, {"Blue", 2}}, "Red");
        // An integer, as on the real cameras of this family: 1024 is a gain of 1.0.
        b.Integer("BalanceRatio", 1, 16383, 1, 1024)
            .SelectedBy("BalanceRatioSelector")
            .WritableWhen("BalanceWhiteAuto", "Off");
        b.Enumeration("BalanceColorTemperatureMode", {{"Off", 0}, {"Tungsten", 1}, {"Daylight", 2}, {"Fluorescent", 3}},
                      "Off")
            .Visibility(V_Expert)
            .WritableWhen("BalanceWhiteAuto", "Off");
        b.Boolean("HueEnable", false).Visibility(V_Expert);
        b.Integer("Hue", 0, 359, 1, 0).Unit("deg").Visibility(V_Expert).WritableWhen("HueEnable", "true");
        b.Boolean("SaturationEnable", false).Visibility(V_Expert);
        b.Integer("Saturation", 0, 255, 1, 128).Visibility(V_Expert).WritableWhen("SaturationEnable", "true");

        b.Category("ColorTransformationControl").Visibility(V_Expert).Description("Colour correction matrix.");
        b.Enumeration("ColorTransformationSelector", {{"RGBtoRGB", 0}}, "RGBtoRGB").Visibility(V_Expert);
        // Inverted on this camera family: true turns the hue/saturation path on, false the
        // colour matrix, so the matrix takes values while the enable is false.
        b.Boolean("ColorTransformationEnable", false).Visibility(V_Expert);
        b.Enumeration("ColorTransformationValueSelector",
                      {{"Gain00", 0},
                       {"Gain01", 1},
                       {"Gain02", 2},
                       {"Gain10", 3},
                       {"Gain11", 4},
                       {"Gain12", 5},
                       {"Gain20", 6},
                       {"Gain21", 7},
                       {"Gain22", 8}},
                      "Gain00")
            .Visibility(V_Expert);
        b.Float("ColorTransformationValue", -4.0, 4.0, 1.0)
            .Visibility(V_Expert)
            .SelectedBy("ColorTransformationValueSelector")
            .WritableWhen("ColorTransformationEnable", "false");
    }

    // A selector category: every node after LineSelector holds one value per line.
    b.Category("DigitalIOControl").Description("Input and output lines.");
    b.Enumeration("LineSelector", {{"Line0", 0}, {"Line1", 1}, {"Line2", 2}}, "Line0");
    b.Enumeration("LineMode", {{"Input", 0}, {"Output", 1}}, "Input").SelectedBy("LineSelector");
    b.Boolean("LineInverter", false).SelectedBy("LineSelector");
    b.Float("LineDebouncerTime", 0.0, 1000000.0, 0.0).Unit("us").Visibility(V_Expert).SelectedBy("LineSelector");
    b.Enumeration("LineSource", {{"Off", 0}, {"ExposureActive", 1}, {"UserOutput0", 2}}, "Off")
        .Visibility(V_Expert)
        .SelectedBy("LineSelector")
        .WritableWhen("LineMode", "Output");
    b.Boolean("LineStatus", false).Access(AM_RO).SelectedBy("LineSelector");

    b.Category("UserSetControl").Description("Saving and loading the camera's settings.");
    b.Enumeration("UserSetSelector", kUserSets, "Default");
    b.Command("UserSetLoad").LockedWhileAcquiring();
    b.Command("UserSetSave").AvailableUnless("UserSetSelector", "Default");
    b.Enumeration("UserSetDefault", kUserSets, "Default");

    b.Category("EventControl").Visibility(V_Expert);
    b.Enumeration("EventSelector",
                  {{"AcquisitionStart", 0}, {"AcquisitionEnd", 1}, {"ExposureEnd", 2}, {"FrameStart", 3}},
                  "ExposureEnd");
    b.Enumeration("EventNotification", {{"Off", 0}, {"On", 1}}, "Off").SelectedBy("EventSelector");

    b.Category("TransportLayerControl");
    b.Integer("PayloadSize", 0, 0x7FFFFFFF, 1, 0).Access(AM_RO).Description("Bytes of one image's data.");
    if (gige) {
        // Flat, as cameras of this family list them: the driver skips nested categories.
        b.Integer("GevSCPSPacketSize", 576, 9000, 4, 1500).Visibility(V_Expert).Unit("B");
        b.Integer("GevHeartbeatTimeout", 500, 600000, 1, 3000).Visibility(V_Guru);
        b.Integer("GevCurrentIPAddress", 0, 0xFFFFFFFFll, 1, 0).Access(AM_RO).IpAddress();
        b.Integer("GevCurrentSubnetMask", 0, 0xFFFFFFFFll, 1, 0xFFFFFF00ll).Access(AM_RO).IpAddress();
        b.Integer("GevCurrentDefaultGateway", 0, 0xFFFFFFFFll, 1, 0).Access(AM_RO).IpAddress();
        b.Integer("GevPersistentIPAddress", 0, 0xFFFFFFFFll, 1, 0).IpAddress().Visibility(V_Guru);
        b.Integer("GevPersistentSubnetMask", 0, 0xFFFFFFFFll, 1, 0xFFFFFF00ll).IpAddress().Visibility(V_Guru);
        b.Integer("GevPersistentDefaultGateway", 0, 0xFFFFFFFFll, 1, 0).IpAddress().Visibility(V_Guru);
        b.Integer("GevMACAddress", 0, 0xFFFFFFFFFFFFll, 1, 0).Access(AM_RO).Hexadecimal().Visibility(V_Expert);
        b.Integer("GevSCPD", 0, 1000000, 1, 0)
            .Unit("ns")
            .Visibility(V_Expert)
            .Description("Delay between stream packets.");
        b.Boolean("GevGVCPHeartbeatDisable", false).Visibility(V_Guru);
        b.Integer("GevMCDA", 0, 0xFFFFFFFFll, 1, 0).IpAddress().Visibility(V_Guru);
        b.Integer("GevMCPHostPort", 0, 65535, 1, 0).Visibility(V_Guru);
        b.Integer("GevMCSP", 0, 65535, 1, 0).Visibility(V_Guru);
        b.Integer("GevSCDA", 0, 0xFFFFFFFFll, 1, 0).IpAddress().Visibility(V_Guru);
    } else {
        b.Integer("DeviceLinkSpeed", 0, 625000000, 1, 400000000).Access(AM_RO).Unit("Bps");
    }

    b.Category("SimulatorInternal").Visibility(V_Invisible).Description("Not for users.");
    b.Register("SimDiagnosticsRegister", 0x000F0000, 16).Visibility(V_Invisible).Hexadecimal();
    b.Integer("SimRegisterSelector", 0, 0xFFFF, 1, 0).Visibility(V_Invisible).Hexadecimal();

    std::string problem;
    return b.Build(problem);  // fixed content: a problem here is caught by the tests
}

}  // namespace

std::shared_ptr<const Model> DefaultModel(uint32_t transport, uint32_t kind)
{
    // Never destroyed, like the simulator: a call at process exit must still find it.
    struct Cache {
        std::mutex mutex;
        std::map<std::pair<uint32_t, uint32_t>, std::shared_ptr<const Model>> models;
    };
    static Cache* cache = new Cache;
    const auto key = std::make_pair(transport == MV_GIGE_DEVICE ? MV_GIGE_DEVICE : 0u, kind);
    std::lock_guard<std::mutex> lock(cache->mutex);
    auto& model = cache->models[key];
    if (!model) {
        model = BuildDefault(key.first, kind);
    }
    return model;
}

}  // namespace CamSim
