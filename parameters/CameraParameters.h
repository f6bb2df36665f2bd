// The driver's model of one camera's settings: the camera's node map walked into typed
// parameters, plus the driver's own general settings and the parameters it adds inside some
// categories (white-balance ratios, Bayer conversion, HDR sequence, colour matrix), each such
// family one class of the table in ParameterFamilies.h. It reads from and writes to the camera
// and is stored per port in the ini file.
//
// The model holds no lock: it is built and first applied on the camera's control thread
// during open, and used afterwards by the host's (serialised) calls.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "parameters/MVEnum.h"
#include "parameters/ParameterOwner.h"
#include "sdk/MvSdk.h"
#include "util/AllParametersList.h"

class ParameterFamily;

class CameraParameters : public Util_2_1::AllParametersList {
public:
    using Param = Util_2_1::Param;
    using NameMap = std::map<std::string, std::string, Util_2_1::NoCaseLess>;
    // Parameter name -> the parameters refreshed and marked pending after it is written.
    using DependentMap = std::map<std::string, std::vector<std::string>, Util_2_1::NoCaseLess>;

    explicit CameraParameters(ParameterOwner& owner);
    ~CameraParameters() override;

    // List operations.
    bool ApplyParameters() override;
    bool UpdateParameters() override;
    bool RestoreFromFile(const char* file) override;
    bool SaveToFile(const char* file) override;
    const char* IniFileName() override;

    // ---- the tree from the node map
    bool InitParameters();
    void InitGeneralParameters();
    bool CreateParamFromRoot(MvXmlNodeList* categories, MvXmlNodeList* children);
    bool CreateParamFromCategory(const MvXmlNode& category, MvXmlNodeList* children);
    bool DoCreateParamFromCategory(const MvXmlNode& category, MvXmlNodeList* children, uint32_t first,
                                   const std::string& prefix);
    bool CreateSelector(const MvXmlNode& category, MvXmlNodeList* children);
    template <class T>
    bool CreateParamFromNode(const std::string& section, const MvXmlNode& node, const std::string& prefix,
                             bool isCommand);
    // Instances for ParamBool, ParamFloat, ParamInt and ParamVector<int>.
    template <class T>
    ParamPtr CreateCustom_T(const std::string& section, const char* name, const char* description, uint32_t flags);
    template <class T>
    ParamPtr CreateParameterBefore(const char* name, const std::vector<std::string>& dependents);
    bool UpdateParamPropertiesFromNode(Param& p);
    void SetEnumValues(Param& p, const MvXmlFeatureEnumeration& feature);
    static std::string PropertyToNodeName(const std::string& name);

    bool IsNodeAvailable(const char* name) const;
    bool IsNodeReadable(const char* name) const;
    bool IsNodeWritable(const char* name) const;

    // ---- reading and writing
    bool ReadFromCamera(Param& p);
    // `written`: a value was sent to the camera, accepted or not.
    bool WriteToCamera(Param& p, bool& written, bool mayPauseGrabbing);

    bool IsSyncContinousMode() const;
    bool IsSingleFrameMode() const;
    int GetCameraBufferCount() const;
    bool IsCompressionOn() const;

    // ---- persistence
    bool SaveToFile(const char* file, int port, bool libOnly);
    bool RestoreFromFile(const char* file, int port);
    bool RestoreFromActiveIni();
    bool SaveToActiveIni(bool libOnly);
    void TransferLibParamTo(AllParametersList& target) const;

    // ---- the driver's parameter families; defined with their families
    bool ReadWrite_CCM(Param& p, bool read);
    void SetBayerAvailability();
    bool HdrEnableSeen() const;
    bool HdrGainSeen() const;
    bool BayerSeen() const;

    // ---- for the families
    void* Handle() const { return owner.SdkHandle(); }
    int LogPort() const { return owner.Port(); }
    // The write (read) access guard of WriteToCamera: pauses grabbing, when allowed, while the
    // node is not read-write (not readable).
    void GuardWrite(const char* node, GrabPauseGuard& guard, bool mayPauseGrabbing) const;
    void GuardRead(const char* node, GrabPauseGuard& guard, bool mayPauseGrabbing) const;
    bool SetSelector(const std::string& selector, const std::string& entry) const;
    // What a family remembers of this camera, a few bits of the family's own meaning.
    uint8_t& FamilyMarks(const ParameterFamily& family) { return familyMarks[&family]; }
    uint8_t FamilyMarks(const ParameterFamily& family) const;

    ParameterOwner& Owner() const { return owner; }
    const NameMap& SelectorOfNode() const { return selectorOfNode; }
    bool IsCommand(const std::string& name) const { return commandParams.count(name) != 0; }

private:
    struct NodeRef;  // a parameter's node: plain or selector composite
    NodeRef Resolve(const std::string& name) const;

    bool ReadNonCamera(Param& p);
    bool WriteNonCamera(Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing);
    bool WriteCameraNode(Param& p, bool& written, GrabPauseGuard& guard, bool mayPauseGrabbing);
    // Shown read-only whatever the camera says.
    static bool IsForcedReadOnly(const std::string& name);

    void BuildDependencies();

    ParameterOwner& owner;
    MvXmlNodeList* _ptr_mv_nodes1 = nullptr;
    MvXmlNodeList* _ptr_mv_nodes2 = nullptr;
    NameMap selectorOfNode;
    std::map<std::string, MvXmlNode, Util_2_1::NoCaseLess> savedNodes;
    DependentMap dependentParams;
    std::map<const ParameterFamily*, uint8_t> familyMarks;
    std::map<std::string, int, Util_2_1::NoCaseLess> commandParams;
    MVEnum imageCompressionMode;
    std::string iniFileName;  // the text IniFileName hands out
};
