#include "util/Param.h"
#include "util/Text.h"

#include <cfloat>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <limits>
#include <locale>
#include <sstream>
#include <stdexcept>

namespace Util_2_1 {

namespace {

// More decimals carry no information for a double and only make texts huge.
constexpr int32_t kMaxPrecision = 30;

bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexDigit(char c)
{
    if (IsDigit(c)) return c - '0';
    const char lower = LowerAscii(c);
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return -1;
}

// Start of a number as strtod/strtoll see it: leading blanks skipped, a '+' dropped (from_chars
// accepts only '-').
const char* NumberStart(const std::string& text)
{
    const char* p = text.c_str();
    while (IsSpace(*p)) ++p;
    if (*p == '+' && *(p + 1) != '-') ++p;
    return p;
}

// The leading decimal integer, 0 when there is none, clamped on overflow.
int64_t LeadingInteger(const std::string& text)
{
    const char* begin = NumberStart(text);
    const char* end = text.c_str() + text.size();
    int64_t result = 0;
    const auto parsed = std::from_chars(begin, end, result);
    if (parsed.ec == std::errc::result_out_of_range)
        return *begin == '-' ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    return parsed.ec == std::errc() ? result : 0;
}

// The leading decimal floating-point number, 0 when there is none. Only decimal digits count:
// "inf", "nan" and hexadecimal floats are not numbers here. Out of range: infinity or 0, as
// strtod gives.
double LeadingDouble(const std::string& text)
{
    const char* begin = NumberStart(text);
    const char* end = text.c_str() + text.size();
    const char* first = (*begin == '-') ? begin + 1 : begin;
    if (!IsDigit(*first) && !(*first == '.' && IsDigit(*(first + 1)))) return 0.0;
    double result = 0.0;
    const auto parsed = std::from_chars(begin, end, result, std::chars_format::general);
    if (parsed.ec == std::errc::result_out_of_range) {
        // Too large or too small: the exponent's sign tells which.
        const char* e = begin;
        while (e < parsed.ptr && LowerAscii(*e) != 'e') ++e;
        const bool tiny = e + 1 < parsed.ptr && *(e + 1) == '-';
        if (tiny) return *begin == '-' ? -0.0 : 0.0;
        return *begin == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return parsed.ec == std::errc() ? result : 0.0;
}

// "0x" followed by hexadecimal digits, as written for `hex` values; saturates beyond 64 bits.
bool ParseHexText(const std::string& text, int64_t& result)
{
    if (text.size() < 3 || text[0] != '0' || LowerAscii(text[1]) != 'x' || HexDigit(text[2]) < 0) return false;
    uint64_t bits = 0;
    for (size_t i = 2; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
        if (bits > (std::numeric_limits<uint64_t>::max() >> 4)) {
            bits = std::numeric_limits<uint64_t>::max();
            break;
        }
        bits = (bits << 4) | static_cast<uint64_t>(HexDigit(text[i]));
    }
    result = static_cast<int64_t>(bits);
    return true;
}

// x truncated toward zero, clamped: casting a NaN or an out-of-range double is undefined.
int64_t TruncateToInt64(double x)
{
    if (std::isnan(x)) return 0;
    if (x >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
    if (x <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(x);
}

const EnumEntry& SharedEmptyEntry()
{
    static const EnumEntry entry;
    return entry;
}

const std::string& EmptyText()
{
    static const std::string text;
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ParamValue

std::string ParamValue::IntegerText(int64_t v, bool asHex)
{
    if (!asHex) return std::to_string(v);
    const uint64_t bits = (v < 0 && v >= std::numeric_limits<int32_t>::min())
                              ? static_cast<uint64_t>(static_cast<uint32_t>(v))
                              : static_cast<uint64_t>(v);
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%" PRIX64, bits);
    return buffer;
}

std::string ParamValue::DoubleText(double x, int32_t p)
{
    if (x == 0.0) x = 0.0;  // no "-0"
    const double magnitude = std::fabs(x);
    if (p < 0) p = magnitude > 10 ? 1 : magnitude > 0.1 ? 2 : magnitude > 0.001 ? 3 : 6;
    if (p > kMaxPrecision) p = kMaxPrecision;
    if (x > 1e301) return "+max";
    if (x < -1e301) return "-max";

    std::ostringstream out;
    out.imbue(std::locale::classic());  // the host may have changed the global locale
    if (magnitude < 1.1e8) {
        out << std::fixed << std::setprecision(p) << x;
    } else {
        out << x;  // six significant digits, exponent form when needed
    }
    std::string text = out.str();
    if (text.find('.') != std::string::npos && text.find_first_of("eE") == std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
        if (text == "-0") text = "0";
    }
    return text;
}

std::string ParamValue::ExactDoubleText(double x)
{
    if (x == 0.0) return "0";
    // Fixed notation, so that the integer view (the leading digits) reads back too; from 1e16
    // on it would spell out every binary digit, so those take the exponent form.
    const std::chars_format format = std::fabs(x) < 1e16 ? std::chars_format::fixed : std::chars_format::scientific;
    char buffer[400];  // the longest, the smallest subnormal in fixed notation, takes about 330
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x, format);
    if (result.ec != std::errc()) return DoubleText(x, kMaxPrecision);
    return std::string(buffer, result.ptr);
}

void ParamValue::SetInt(int32_t v)
{
    SetInt64(v);
}

void ParamValue::SetUInt(uint32_t v)
{
    SetInt64(static_cast<int64_t>(v));
}

void ParamValue::SetInt64(int64_t v)
{
    i64 = v;
    d = static_cast<double>(v);
    text = IntegerText(v, hex);
}

void ParamValue::SetBool(bool v)
{
    i64 = v ? 1 : 0;
    d = v ? 1.0 : 0.0;
    text = v ? "true" : "false";
}

void ParamValue::SetText(const char* v)
{
    if (v == nullptr) return;
    SetText(std::string(v));
}

void ParamValue::SetText(const std::string& v)
{
    if (EqualsNoCase(v, "true")) {
        SetBool(true);
        return;
    }
    if (EqualsNoCase(v, "false")) {
        SetBool(false);
        return;
    }
    int64_t hexValue = 0;
    if (ParseHexText(v, hexValue)) {
        // What `hex` values are written as; reading it back gives the same number.
        i64 = hexValue;
        d = static_cast<double>(hexValue);
    } else if (v == "+max" || v == "-max") {
        // The markers of the double text read back as the extreme values they stand for.
        d = v[0] == '+' ? DBL_MAX : -DBL_MAX;
        i64 = v[0] == '+' ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    } else {
        i64 = LeadingInteger(v);
        d = LeadingDouble(v);
    }
    text = v;
}

void ParamValue::SetDouble(double x)
{
    i64 = TruncateToInt64(x);
    d = x;
    text = DoubleText(x, precision);
}

// ---------------------------------------------------------------------------------------------
// Param

Param::Param(int32_t typeCode, const char* paramName) : type(typeCode)
{
    if (paramName == nullptr || paramName[0] == '\0')
        throw std::invalid_argument("Param ctor called without name parameter");
    name = paramName;
}

const char* Param::TypeName(int32_t typeCode)
{
    switch (typeCode) {
    case TypeNone:
        return "none";
    case TypeBool:
        return "bool";
    case TypeInt:
        return "int";
    case TypeUInt:
        return "uint";
    case TypeFloat:
        return "float";
    case TypeString:
        return "string";
    case TypeEnum:
        return "enum";
    case TypeVector:
        return "vector";
    case TypeIP:
        return "ip";
    case TypeCommand:
        return "command";
    default:
        return "unrec";
    }
}

void Param::SetEnumValue(int v)
{
    value.SetInt(v);
}
void Param::SetEnumIndex(int index)
{
    value.SetInt(index);
}
void Param::SetValue(const ParamValue& newValue)
{
    value = newValue;
}
void Param::SetBool(bool v)
{
    value.SetBool(v);
}
void Param::SetDouble(double v)
{
    value.SetDouble(v);
}
void Param::SetText(const std::string& v)
{
    value.SetText(v);
}
void Param::SetText(const char* v)
{
    value.SetText(v);
}
void Param::SetUInt(unsigned v)
{
    value.SetUInt(v);
}
void Param::SetInt64(int64_t v)
{
    value.SetInt64(v);
}
void Param::SetLong(long v)
{
    value.SetInt(static_cast<int32_t>(v));
}
void Param::SetInt(int v)
{
    value.SetInt(v);
}

int Param::GetInt() const
{
    return static_cast<int32_t>(value.i64);
}
int64_t Param::GetInt64() const
{
    return value.i64;
}
double Param::GetDouble() const
{
    return value.d;
}
bool Param::GetBool() const
{
    return value.i64 != 0;
}
const char* Param::GetText() const
{
    return value.text.c_str();
}
const std::string& Param::GetTextString() const
{
    return value.text;
}
int Param::GetEnumIndex() const
{
    return 0;
}
int Param::GetEnumCount() const
{
    return 0;
}
const EnumEntry& Param::GetEnumEntry(int) const
{
    return SharedEmptyEntry();
}
void Param::SetEnumEntries(const std::vector<std::string>&) {}

void Param::RangeText(std::string& out) const
{
    out = "[" + minimum.text + ".." + maximum.text + "]";
}

void Param::WriteRange(std::ostream& out) const
{
    if (type != TypeInt && type != TypeUInt && type != TypeFloat) return;
    out << "[" << minimum.text << ".." << maximum.text << "]";
    if (increment.i64 >= 2) out << ", increment by " << increment.text;
}

void Param::SetSection(const char* text)
{
    if (text != nullptr) section = text;
}

void Param::SetDescription(const char* text)
{
    if (text != nullptr) description = text;
}

void Param::SetUnit(const char* text)
{
    if (text != nullptr) unit = text;
}

// Only number texts are made again. A string, bool, enum or address keeps its text, and a
// whole integer keeps its integer text, so no stored value is turned into something else.
void Param::Reformat(ParamValue& record) const
{
    if (type != TypeInt && type != TypeUInt && type != TypeFloat) return;
    if (record.hex && type != TypeFloat) {
        record.text = ParamValue::IntegerText(record.i64, true);
    } else if (type != TypeFloat && record.d == static_cast<double>(record.i64)) {
        record.text = ParamValue::IntegerText(record.i64, false);
    } else {
        const int64_t keep = record.i64;
        record.SetDouble(record.d);
        record.i64 = keep;
    }
}

void Param::SetPrecision(int32_t newPrecision)
{
    precision = newPrecision;
    for (ParamValue* record : {&value, &minimum, &maximum}) {
        record->precision = newPrecision;
        Reformat(*record);
    }
}

void Param::SetHex(bool on)
{
    for (ParamValue* record : {&value, &minimum, &maximum}) {
        record->hex = on;
        Reformat(*record);
    }
}

std::string Param::StoredText() const
{
    const std::string shown = GetText();  // what the file always held
    const double d = GetDouble();
    // Infinity and NaN have no text that reads back; they keep the shown one.
    if (type != TypeFloat || !std::isfinite(d)) return shown;
    ParamValue readBack;
    readBack.SetText(shown);
    return readBack.d == d && readBack.i64 == GetInt64() ? shown : ParamValue::ExactDoubleText(d);
}

void Param::CopyFrom(const Param& other)
{
    if (&other == this) return;
    flags = other.flags;
    value = other.value;
    minimum = other.minimum;
    maximum = other.maximum;
    increment = other.increment;
    section = other.section;
    description = other.description;
    unit = other.unit;
    precision = other.precision;
    ValueCopied();
}

// ---------------------------------------------------------------------------------------------
// Simple classes

std::unique_ptr<Param> ParamBool::Clone() const
{
    auto copy = std::make_unique<ParamBool>(name);
    copy->CopyFrom(*this);
    return copy;
}

std::unique_ptr<Param> ParamInt::Clone() const
{
    auto copy = std::make_unique<ParamInt>(name);
    copy->CopyFrom(*this);
    return copy;
}

std::unique_ptr<Param> ParamFloat::Clone() const
{
    auto copy = std::make_unique<ParamFloat>(name);
    copy->CopyFrom(*this);
    return copy;
}

std::unique_ptr<Param> ParamString::Clone() const
{
    auto copy = std::make_unique<ParamString>(name);
    copy->CopyFrom(*this);
    return copy;
}

// ---------------------------------------------------------------------------------------------
// ParamEnum

std::unique_ptr<Param> ParamEnum::Clone() const
{
    auto copy = std::make_unique<ParamEnum>(name);
    copy->CopyFrom(*this);
    copy->entries = entries;
    copy->emptyEntry = emptyEntry;
    copy->current = current;
    return copy;
}

void ParamEnum::SelectByValue(int32_t v)
{
    current = v;
    for (const EnumEntry& entry : entries) {
        if (entry.value == v) return;
    }
    current = entries.empty() ? -1 : entries.front().value;
}

void ParamEnum::SetEnumIndex(int index)
{
    if (index >= 0 && static_cast<size_t>(index) < entries.size()) current = entries[static_cast<size_t>(index)].value;
}

void ParamEnum::SetText(const std::string& newValue)
{
    for (const EnumEntry& entry : entries) {
        if (EqualsNoCase(entry.name, newValue)) {
            current = entry.value;
            return;
        }
    }
}

void ParamEnum::SetText(const char* newValue)
{
    if (newValue != nullptr) SetText(std::string(newValue));
}

const std::string& ParamEnum::GetTextString() const
{
    for (const EnumEntry& entry : entries) {
        if (entry.value == current) return entry.name;
    }
    return EmptyText();
}

int ParamEnum::GetEnumIndex() const
{
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].value == current) return static_cast<int>(i);
    }
    return 0;
}

const EnumEntry& ParamEnum::GetEnumEntry(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= entries.size()) return emptyEntry;
    return entries[static_cast<size_t>(index)];
}

void ParamEnum::SetEnumEntries(const std::vector<std::string>& names)
{
    entries.clear();
    entries.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EnumEntry entry;
        entry.name = names[i];
        entry.value = static_cast<int32_t>(i);
        entries.push_back(entry);
    }
    SelectByValue(current);
}

void ParamEnum::SetEntries(const std::vector<EnumEntry>& newEntries)
{
    SetEntries(newEntries, current);
}

void ParamEnum::SetEntries(const std::vector<EnumEntry>& newEntries, int selectValue)
{
    entries = newEntries;
    SelectByValue(selectValue);
}

// ---------------------------------------------------------------------------------------------
// ParamIPAddress

std::unique_ptr<Param> ParamIPAddress::Clone() const
{
    auto copy = std::make_unique<ParamIPAddress>(name);
    copy->CopyFrom(*this);
    copy->address = address;
    copy->addressText = addressText;
    return copy;
}

void ParamIPAddress::SetText(const char* newValue)
{
    if (newValue != nullptr) Parse(newValue);
}

void ParamIPAddress::Parse(const std::string& text)
{
    uint32_t parsed = 0;
    if (ParseIpv4(TrimView(text), parsed)) SetAddress(parsed);
}

bool ParamIPAddress::SetOctets(long a, long b, long c, long d)
{
    for (long octet : {a, b, c, d}) {
        if (octet < 0 || octet > 255) return false;
    }
    SetAddress((static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(b) << 16) | (static_cast<uint32_t>(c) << 8) |
               static_cast<uint32_t>(d));
    return true;
}

void ParamIPAddress::SetAddress(uint32_t newAddress)
{
    address = newAddress;
    addressText = FormatIpv4(newAddress);
}

// ---------------------------------------------------------------------------------------------
// ParamVector

template <typename T>
void ParamVector<T>::ParseItems()
{
    items.clear();
    std::istringstream in(value.text);
    in.imbue(std::locale::classic());
    T item{};
    while (in >> item) items.push_back(item);
}

template class ParamVector<int>;

// ---------------------------------------------------------------------------------------------
// DescribeParam

void DescribeParam(std::ostream& out, const Param& p)
{
    out << DescribeParam(p);
}

std::string DescribeParam(const Param& p)
{
    // A buffer of its own per call: two threads may describe parameters at the same time.
    const uint32_t f = p.Flags();
    const char mode[7] = {(f & FlagModified) ? 'A' : '.',
                          (f & FlagReadOnly) ? 'R' : '.',
                          (f & FlagWriteOnly) ? 'W' : '.',
                          (f & FlagUnavailable) ? 'U' : '.',
                          (f & FlagNonCamera) ? 'n' : '.',
                          (f & FlagGeneral) ? 'g' : '.',
                          '\0'};
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << p.Name() << " (mode " << mode << ") (type " << p.TypeName() << ")=='" << p.GetText() << "'(" << p.GetInt64()
         << "i)"
         << ",(" << std::fixed << std::setprecision(6) << p.GetDouble() << "f)";
    return text.str();
}

}  // namespace Util_2_1
