#include "aravis/NodeMap.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "aravis/Errors.h"
#include "util/Text.h"

namespace OrnicAravis::Nodes {

namespace {

using Util_2_1::CopyText;

std::string Text(const char* value)
{
    return value != nullptr ? std::string(value) : std::string();
}

constexpr const char* kStreamLockKey = "ornic-stream-lock";

bool LockedWhileStreaming(ArvGcFeatureNode* node)
{
    ArvGc* genicam = arv_gc_node_get_genicam(ARV_GC_NODE(node));
    if (genicam == nullptr || g_object_get_data(G_OBJECT(genicam), kStreamLockKey) == nullptr) return false;
    static const char* const kLocked[] = {"Width",
                                          "Height",
                                          "PixelFormat",
                                          "BinningHorizontal",
                                          "BinningVertical",
                                          "BinningSelector",
                                          "DecimationHorizontal",
                                          "DecimationVertical",
                                          "AcquisitionMode",
                                          "AcquisitionFrameCount"};
    const char* name = arv_gc_feature_node_get_name(node);
    if (name == nullptr) return false;
    for (const char* locked : kLocked) {
        if (std::strcmp(name, locked) == 0) return true;
    }
    return false;
}

// Reads a value that may fail (a register the camera refuses); the fallback stands then.
template <typename T, typename Read>
T ReadOr(T fallback, Read&& read)
{
    GError* error = nullptr;
    const T value = read(&error);
    if (error != nullptr) {
        g_clear_error(&error);
        return fallback;
    }
    return value;
}

// The node of `name` if it exists, has type `type` and allows the access now.
uint32_t Prepare(ArvGc* genicam, const char* name, uint32_t type, bool write, ArvGcFeatureNode*& node)
{
    node = Find(genicam, name);
    if (node == nullptr) return MV_E_GC_PROPERTY;
    if (TypeOf(node) != type) return MV_E_SUPPORT;
    const uint32_t access = AccessOf(node);
    if (write ? !Writable(access) : !Readable(access)) return MV_E_GC_ACCESS;
    return MV_OK;
}

void FillBase(MvXmlFeatureBase& base, ArvGcFeatureNode* node)
{
    base.enVisivility = VisibilityOf(node);
    base.enAccessMode = AccessOf(node);
    const std::string name = Text(arv_gc_feature_node_get_name(node));
    const std::string description = Text(arv_gc_feature_node_get_description(node));
    const char* display = arv_gc_feature_node_get_display_name(node);
    const char* tip = arv_gc_feature_node_get_tooltip(node);
    CopyText(base.strDescription, description);
    CopyText(base.strDisplayName, display != nullptr ? display : name);
    CopyText(base.strName, name);
    CopyText(base.strToolTip, tip != nullptr ? tip : description);
    const gboolean locked = ReadOr<gboolean>(FALSE, [&](GError** e) { return arv_gc_feature_node_is_locked(node, e); });
    base.bIsLocked = locked || LockedWhileStreaming(node) ? 1u : 0u;
}

ArvGcEnumEntry* EntryByValue(ArvGcEnumeration* enumeration, int64_t value)
{
    for (ArvGcEnumEntry* entry : Entries(enumeration)) {
        if (ReadOr<gint64>(value + 1, [&](GError** e) { return arv_gc_enum_entry_get_value(entry, e); }) == value) {
            return entry;
        }
    }
    return nullptr;
}

bool EntryAvailable(ArvGcEnumEntry* entry)
{
    return ReadOr<gboolean>(
        FALSE, [&](GError** e) { return arv_gc_feature_node_is_available(ARV_GC_FEATURE_NODE(entry), e); });
}

}  // namespace

void SetStreamLock(ArvGc* genicam, bool locked)
{
    if (genicam != nullptr) g_object_set_data(G_OBJECT(genicam), kStreamLockKey, locked ? GINT_TO_POINTER(1) : nullptr);
}

ArvGcFeatureNode* Find(ArvGc* genicam, const char* name)
{
    if (genicam == nullptr || name == nullptr || *name == '\0') return nullptr;
    ArvGcNode* node = arv_gc_get_node(genicam, name);
    return node != nullptr && ARV_IS_GC_FEATURE_NODE(node) ? ARV_GC_FEATURE_NODE(node) : nullptr;
}

uint32_t TypeOf(ArvGcFeatureNode* node)
{
    if (ARV_IS_GC_CATEGORY(node)) return IFT_ICategory;
    if (ARV_IS_GC_ENUMERATION(node)) return IFT_IEnumeration;
    if (ARV_IS_GC_COMMAND(node)) return IFT_ICommand;
    if (ARV_IS_GC_BOOLEAN(node)) return IFT_IBoolean;
    if (ARV_IS_GC_FLOAT(node)) return IFT_IFloat;
    if (ARV_IS_GC_INTEGER(node)) return IFT_IInteger;
    if (ARV_IS_GC_STRING(node)) return IFT_IString;
    if (ARV_IS_GC_REGISTER(node)) return IFT_IRegister;
    if (ARV_IS_GC_ENUM_ENTRY(node)) return IFT_IEnumEntry;
    if (ARV_IS_GC_PORT(node)) return IFT_IPort;
    return IFT_IValue;
}

uint32_t AccessOf(ArvGcFeatureNode* node)
{
    GError* error = nullptr;
    const gboolean implemented = arv_gc_feature_node_is_implemented(node, &error);
    if (error != nullptr) {
        g_clear_error(&error);
        return AM_NA;  // the condition cannot be read now
    }
    if (!implemented) return AM_NI;
    const gboolean available = arv_gc_feature_node_is_available(node, &error);
    if (error != nullptr) {
        g_clear_error(&error);
        return AM_NA;
    }
    if (!available) return AM_NA;
    switch (arv_gc_feature_node_get_actual_access_mode(node)) {
    case ARV_GC_ACCESS_MODE_RO:
        return AM_RO;
    case ARV_GC_ACCESS_MODE_WO:
        return AM_WO;
    case ARV_GC_ACCESS_MODE_RW: {
        // A locked node (pIsLocked, e.g. TLParamsLocked while streaming) is read-only.
        const gboolean locked = arv_gc_feature_node_is_locked(node, &error);
        g_clear_error(&error);
        return locked || LockedWhileStreaming(node) ? AM_RO : AM_RW;
    }
    default:
        return ARV_IS_GC_CATEGORY(node) ? AM_RO : AM_Undefined;
    }
}

bool Readable(uint32_t access)
{
    return access == AM_RO || access == AM_RW;
}

bool Writable(uint32_t access)
{
    return access == AM_WO || access == AM_RW;
}

uint32_t VisibilityOf(ArvGcFeatureNode* node)
{
    switch (arv_gc_feature_node_get_visibility(node)) {
    case ARV_GC_VISIBILITY_INVISIBLE:
        return V_Invisible;
    case ARV_GC_VISIBILITY_GURU:
        return V_Guru;
    case ARV_GC_VISIBILITY_EXPERT:
        return V_Expert;
    default:
        return V_Beginner;  // GenICam's default when a description gives none
    }
}

void FillNode(MvXmlNode& record, ArvGcFeatureNode* node)
{
    std::memset(&record, 0, sizeof record);
    record.enType = TypeOf(node);
    record.enVisivility = VisibilityOf(node);
    const std::string name = Text(arv_gc_feature_node_get_name(node));
    const std::string description = Text(arv_gc_feature_node_get_description(node));
    const char* display = arv_gc_feature_node_get_display_name(node);
    const char* tip = arv_gc_feature_node_get_tooltip(node);
    CopyText(record.strDescription, description);
    CopyText(record.strDisplayName, display != nullptr ? display : name);
    CopyText(record.strName, name);
    CopyText(record.strToolTip, tip != nullptr ? tip : description);
}

void FillFeature(void* feature, ArvGcFeatureNode* node, uint32_t type)
{
    const bool readable = Readable(AccessOf(node));
    switch (type) {
    case IFT_IInteger: {
        auto& record = *static_cast<MvXmlFeatureInteger*>(feature);
        std::memset(&record, 0, sizeof record);
        FillBase(record.base, node);
        ArvGcInteger* integer = ARV_GC_INTEGER(node);
        if (readable)
            record.nValue = ReadOr<gint64>(0, [&](GError** e) { return arv_gc_integer_get_value(integer, e); });
        record.nMinValue = ReadOr<gint64>(0, [&](GError** e) { return arv_gc_integer_get_min(integer, e); });
        record.nMaxValue = ReadOr<gint64>(0, [&](GError** e) { return arv_gc_integer_get_max(integer, e); });
        record.nIncrement = ReadOr<gint64>(1, [&](GError** e) { return arv_gc_integer_get_inc(integer, e); });
        if (record.nIncrement < 1) record.nIncrement = 1;
        const ArvGcRepresentation representation = arv_gc_integer_get_representation(integer);
        record.bIsHexadecimal =
            representation == ARV_GC_REPRESENTATION_HEX_NUMBER || representation == ARV_GC_REPRESENTATION_MAC_ADDRESS;
        record.bIsIpAddress = representation == ARV_GC_REPRESENTATION_IPV4_ADDRESS;
        break;
    }
    case IFT_IFloat: {
        auto& record = *static_cast<MvXmlFeatureFloat*>(feature);
        std::memset(&record, 0, sizeof record);
        FillBase(record.base, node);
        ArvGcFloat* real = ARV_GC_FLOAT(node);
        if (readable) record.dfValue = ReadOr<double>(0.0, [&](GError** e) { return arv_gc_float_get_value(real, e); });
        record.dfMinValue = ReadOr<double>(0.0, [&](GError** e) { return arv_gc_float_get_min(real, e); });
        record.dfMaxValue = ReadOr<double>(0.0, [&](GError** e) { return arv_gc_float_get_max(real, e); });
        const double inc = ReadOr<double>(0.0, [&](GError** e) { return arv_gc_float_get_inc(real, e); });
        record.dfIncrement = std::isfinite(inc) && inc > DBL_MIN ? inc : 0.0;
        CopyText(record.strUnit, Text(arv_gc_float_get_unit(real)));
        break;
    }
    case IFT_IBoolean: {
        auto& record = *static_cast<MvXmlFeatureBoolean*>(feature);
        std::memset(&record, 0, sizeof record);
        FillBase(record.base, node);
        if (readable) {
            record.bValue =
                ReadOr<gboolean>(FALSE, [&](GError** e) { return arv_gc_boolean_get_value(ARV_GC_BOOLEAN(node), e); })
                    ? 1u
                    : 0u;
        }
        break;
    }
    case IFT_IString: {
        auto& record = *static_cast<MvXmlFeatureString*>(feature);
        std::memset(&record, 0, sizeof record);
        FillBase(record.base, node);
        ArvGcString* string = ARV_GC_STRING(node);
        if (readable) {
            CopyText(record.strValue, Text(ReadOr<const char*>(
                                          nullptr, [&](GError** e) { return arv_gc_string_get_value(string, e); })));
        }
        const gint64 length = ReadOr<gint64>(0, [&](GError** e) { return arv_gc_string_get_max_length(string, e); });
        record.nMaxLength = length > 0 && length < UINT32_MAX ? static_cast<uint32_t>(length) : 0u;
        break;
    }
    case IFT_IRegister: {
        auto& record = *static_cast<MvXmlFeatureRegister*>(feature);
        std::memset(&record, 0, sizeof record);
        FillBase(record.base, node);
        ArvGcRegister* reg = ARV_GC_REGISTER(node);
        record.nAddrValue =
            static_cast<int64_t>(ReadOr<guint64>(0, [&](GError** e) { return arv_gc_register_get_address(reg, e); }));
        record.nLength =
            static_cast<int64_t>(ReadOr<guint64>(0, [&](GError** e) { return arv_gc_register_get_length(reg, e); }));
        break;
    }
    case IFT_IEnumeration: {
        auto& record = *static_cast<MvXmlFeatureEnumeration*>(feature);
        std::memset(&record, 0, sizeof record);
        FillBase(record.base, node);
        ArvGcEnumeration* enumeration = ARV_GC_ENUMERATION(node);
        if (readable) {
            record.nValue =
                ReadOr<gint64>(0, [&](GError** e) { return arv_gc_enumeration_get_int_value(enumeration, e); });
            if (ArvGcEnumEntry* current = EntryByValue(enumeration, record.nValue)) {
                CopyText(record.strCurrentSymbolic, Text(arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(current))));
            }
        }
        for (ArvGcEnumEntry* entry : Entries(enumeration)) {
            if (record.nSymbolicNum >= MV_MAX_XML_SYMBOLIC_NUM) break;
            MvXmlFeatureEnumEntry& out = record.stEntries[record.nSymbolicNum++];
            ArvGcFeatureNode* entryNode = ARV_GC_FEATURE_NODE(entry);
            const std::string symbolic = Text(arv_gc_feature_node_get_name(entryNode));
            const char* display = arv_gc_feature_node_get_display_name(entryNode);
            CopyText(out.strSymbolic, symbolic);
            CopyText(out.strDisplayName, display != nullptr ? display : symbolic);
            out.nValue = ReadOr<gint64>(0, [&](GError** e) { return arv_gc_enum_entry_get_value(entry, e); });
            out.enAccessMode = EntryAvailable(entry) ? AM_RO : AM_NA;
        }
        break;
    }
    case IFT_ICommand: {
        auto& record = *static_cast<MvXmlFeatureCommand*>(feature);
        std::memset(&record, 0, sizeof record);
        FillBase(record.base, node);
        break;
    }
    case IFT_ICategory: {
        auto& record = *static_cast<MvXmlFeatureCategory*>(feature);
        std::memset(&record, 0, sizeof record);
        FillBase(record.base, node);
        break;
    }
    default:
        break;
    }
}

std::vector<ArvGcFeatureNode*> Children(ArvGc* genicam, ArvGcFeatureNode* node)
{
    std::vector<ArvGcFeatureNode*> children;
    if (!ARV_IS_GC_CATEGORY(node)) return children;
    for (const GSList* item = arv_gc_category_get_features(ARV_GC_CATEGORY(node)); item != nullptr; item = item->next) {
        if (children.size() >= MV_MAX_XML_NODE_NUM) break;
        if (ArvGcFeatureNode* child = Find(genicam, static_cast<const char*>(item->data))) children.push_back(child);
    }
    return children;
}

std::vector<ArvGcEnumEntry*> Entries(ArvGcEnumeration* enumeration)
{
    std::vector<ArvGcEnumEntry*> entries;
    for (const GSList* item = arv_gc_enumeration_get_entries(enumeration); item != nullptr; item = item->next) {
        if (!ARV_IS_GC_ENUM_ENTRY(item->data)) continue;
        ArvGcEnumEntry* entry = ARV_GC_ENUM_ENTRY(item->data);
        const gboolean implemented = ReadOr<gboolean>(
            FALSE, [&](GError** e) { return arv_gc_feature_node_is_implemented(ARV_GC_FEATURE_NODE(entry), e); });
        if (implemented) entries.push_back(entry);
    }
    return entries;
}

uint32_t GetInt(ArvGc* genicam, const char* name, MvIntValueEx& value)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IInteger, false, node); status != MV_OK) return status;
    ArvGcInteger* integer = ARV_GC_INTEGER(node);
    GError* error = nullptr;
    const gint64 current = arv_gc_integer_get_value(integer, &error);
    if (error != nullptr) return TakeStatus(error);
    std::memset(&value, 0, sizeof value);
    value.nCurValue = current;
    value.nMin = ReadOr<gint64>(0, [&](GError** e) { return arv_gc_integer_get_min(integer, e); });
    value.nMax = ReadOr<gint64>(0, [&](GError** e) { return arv_gc_integer_get_max(integer, e); });
    value.nInc = ReadOr<gint64>(1, [&](GError** e) { return arv_gc_integer_get_inc(integer, e); });
    if (value.nInc < 1) value.nInc = 1;
    return MV_OK;
}

uint32_t SetInt(ArvGc* genicam, const char* name, int64_t value)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IInteger, true, node); status != MV_OK) return status;
    ArvGcInteger* integer = ARV_GC_INTEGER(node);
    GError* error = nullptr;
    const gint64 min = arv_gc_integer_get_min(integer, &error);
    if (error != nullptr) return TakeStatus(error);
    const gint64 max = arv_gc_integer_get_max(integer, &error);
    if (error != nullptr) return TakeStatus(error);
    gint64 inc = arv_gc_integer_get_inc(integer, &error);
    if (error != nullptr) return TakeStatus(error);
    if (inc < 1) inc = 1;
    // Refused here, before the camera sees it: outside the range or off the grid.
    if (value < min || value > max) return MV_E_GC_RANGE;
    if (inc > 1 && ((static_cast<uint64_t>(value) - static_cast<uint64_t>(min)) % static_cast<uint64_t>(inc)) != 0) {
        return MV_E_GC_RANGE;
    }
    arv_gc_integer_set_value(integer, value, &error);
    return TakeStatus(error);
}

uint32_t GetFloat(ArvGc* genicam, const char* name, double& value, double& min, double& max)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IFloat, false, node); status != MV_OK) return status;
    ArvGcFloat* real = ARV_GC_FLOAT(node);
    GError* error = nullptr;
    value = arv_gc_float_get_value(real, &error);
    if (error != nullptr) return TakeStatus(error);
    min = ReadOr<double>(0.0, [&](GError** e) { return arv_gc_float_get_min(real, e); });
    max = ReadOr<double>(0.0, [&](GError** e) { return arv_gc_float_get_max(real, e); });
    return MV_OK;
}

uint32_t SetFloat(ArvGc* genicam, const char* name, double value)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IFloat, true, node); status != MV_OK) return status;
    if (!std::isfinite(value)) return MV_E_GC_RANGE;
    ArvGcFloat* real = ARV_GC_FLOAT(node);
    GError* error = nullptr;
    const double min = arv_gc_float_get_min(real, &error);
    if (error != nullptr) return TakeStatus(error);
    const double max = arv_gc_float_get_max(real, &error);
    if (error != nullptr) return TakeStatus(error);
    // A limit read back as a 32-bit float (MvFloatValue) and written again is the limit.
    if (value < min) {
        if (static_cast<float>(value) != static_cast<float>(min)) return MV_E_GC_RANGE;
        value = min;
    }
    if (value > max) {
        if (static_cast<float>(value) != static_cast<float>(max)) return MV_E_GC_RANGE;
        value = max;
    }
    arv_gc_float_set_value(real, value, &error);
    return TakeStatus(error);
}

uint32_t GetBool(ArvGc* genicam, const char* name, bool& value)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IBoolean, false, node); status != MV_OK) return status;
    GError* error = nullptr;
    value = arv_gc_boolean_get_value(ARV_GC_BOOLEAN(node), &error) != FALSE;
    return TakeStatus(error);
}

uint32_t SetBool(ArvGc* genicam, const char* name, bool value)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IBoolean, true, node); status != MV_OK) return status;
    GError* error = nullptr;
    arv_gc_boolean_set_value(ARV_GC_BOOLEAN(node), value ? TRUE : FALSE, &error);
    return TakeStatus(error);
}

uint32_t GetEnum(ArvGc* genicam, const char* name, int64_t& value, std::vector<int64_t>& available)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IEnumeration, false, node); status != MV_OK) return status;
    ArvGcEnumeration* enumeration = ARV_GC_ENUMERATION(node);
    GError* error = nullptr;
    value = arv_gc_enumeration_get_int_value(enumeration, &error);
    if (error != nullptr) return TakeStatus(error);
    available.clear();
    for (ArvGcEnumEntry* entry : Entries(enumeration)) {
        if (!EntryAvailable(entry)) continue;
        GError* entryError = nullptr;
        const gint64 entryValue = arv_gc_enum_entry_get_value(entry, &entryError);
        if (entryError == nullptr) available.push_back(entryValue);
        g_clear_error(&entryError);
    }
    return MV_OK;
}

uint32_t SetEnum(ArvGc* genicam, const char* name, int64_t value)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IEnumeration, true, node); status != MV_OK) return status;
    ArvGcEnumeration* enumeration = ARV_GC_ENUMERATION(node);
    ArvGcEnumEntry* entry = EntryByValue(enumeration, value);
    if (entry == nullptr) return MV_E_GC_ARGUMENT;
    if (!EntryAvailable(entry)) return MV_E_GC_ACCESS;
    GError* error = nullptr;
    arv_gc_enumeration_set_int_value(enumeration, value, &error);
    return TakeStatus(error);
}

uint32_t SetEnumSymbolic(ArvGc* genicam, const char* name, const char* symbolic)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IEnumeration, true, node); status != MV_OK) return status;
    ArvGcEnumeration* enumeration = ARV_GC_ENUMERATION(node);
    // The camera's spelling first; texts from the host may differ in case.
    ArvGcEnumEntry* match = nullptr;
    for (ArvGcEnumEntry* entry : Entries(enumeration)) {
        const char* entryName = arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(entry));
        if (entryName == nullptr) continue;
        if (std::strcmp(entryName, symbolic) == 0) {
            match = entry;
            break;
        }
        if (match == nullptr && Util_2_1::EqualsNoCase(entryName, symbolic)) match = entry;
    }
    if (match == nullptr) return MV_E_GC_ARGUMENT;
    if (!EntryAvailable(match)) return MV_E_GC_ACCESS;
    GError* error = nullptr;
    arv_gc_enumeration_set_string_value(enumeration, arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(match)), &error);
    return TakeStatus(error);
}

uint32_t EntrySymbolic(ArvGc* genicam, const char* name, int64_t value, std::string& symbolic)
{
    ArvGcFeatureNode* node = Find(genicam, name);
    if (node == nullptr) return MV_E_GC_PROPERTY;
    if (TypeOf(node) != IFT_IEnumeration) return MV_E_SUPPORT;
    ArvGcEnumEntry* entry = EntryByValue(ARV_GC_ENUMERATION(node), value);
    if (entry == nullptr) return MV_E_GC_ARGUMENT;
    symbolic = Text(arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(entry)));
    return MV_OK;
}

uint32_t GetString(ArvGc* genicam, const char* name, std::string& value)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IString, false, node); status != MV_OK) return status;
    GError* error = nullptr;
    value = Text(arv_gc_string_get_value(ARV_GC_STRING(node), &error));
    return TakeStatus(error);
}

uint32_t SetString(ArvGc* genicam, const char* name, const char* value)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_IString, true, node); status != MV_OK) return status;
    ArvGcString* string = ARV_GC_STRING(node);
    const gint64 maxLength = ReadOr<gint64>(-1, [&](GError** e) { return arv_gc_string_get_max_length(string, e); });
    if (maxLength >= 0 && static_cast<gint64>(std::strlen(value)) > maxLength) return MV_E_GC_RANGE;
    GError* error = nullptr;
    arv_gc_string_set_value(string, value, &error);
    return TakeStatus(error);
}

uint32_t Execute(ArvGc* genicam, const char* name)
{
    ArvGcFeatureNode* node = nullptr;
    if (const uint32_t status = Prepare(genicam, name, IFT_ICommand, true, node); status != MV_OK) return status;
    GError* error = nullptr;
    arv_gc_command_execute(ARV_GC_COMMAND(node), &error);
    return TakeStatus(error);
}

}  // namespace OrnicAravis::Nodes
