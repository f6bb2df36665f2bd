// Typed parameters: every setting the driver shows, stores or sends to a camera. A parameter
// holds its value with minimum, maximum and increment as ParamValue records, so it can be set
// from and read as text, integer, 64-bit integer, floating point or boolean whatever its type.
// None of these classes locks; the owner of a parameter list serialises its users.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace Util_2_1 {

// Type codes; the names appear in log lines (Param::TypeName).
enum ParamTypeCode : int32_t {
    TypeNone = 0,
    TypeBool = 1,
    TypeInt = 2,
    TypeUInt = 3,  // no class creates it; treated like int
    TypeFloat = 4,
    TypeString = 5,
    TypeEnum = 6,
    TypeVector = 7,
    TypeIP = 8,
    TypeCommand = 9,  // no class creates it
};

// Flag bits. A test of a mask is true when all its bits are set.
constexpr uint32_t FlagUnavailable = 1;  // the camera cannot use the feature
constexpr uint32_t FlagGeneral = 2;      // stored in ini section "General"
constexpr uint32_t FlagReadOnly = 4;
constexpr uint32_t FlagWriteOnly = 8;
constexpr uint32_t FlagNoSave = 16;     // never written to or restored from the ini file
constexpr uint32_t FlagHidden = 32;     // not shown in the grid
constexpr uint32_t FlagNonCamera = 64;  // a driver setting, not a camera feature
constexpr uint32_t FlagModified = 128;  // waiting to be applied to the camera
constexpr uint32_t FlagFavourite = 1024;

// One value in three views. The setters keep the views consistent.
struct ParamValue {
    int64_t i64 = 0;
    double d = 0.0;
    std::string text;
    int32_t precision = -1;  // decimals of the double text; -1 = automatic
    bool hex = false;        // integer texts as "0x" and upper-case hexadecimal digits

    void SetInt(int32_t value);
    void SetUInt(uint32_t value);
    void SetInt64(int64_t value);
    void SetBool(bool value);
    // "true"/"false" in any case count as bools; a null text changes nothing.
    void SetText(const char* value);
    void SetText(const std::string& value);
    void SetDouble(double value);

    // The text of x with `precision` decimals (p < 0: chosen from the magnitude).
    static std::string DoubleText(double x, int32_t precision);
    // The shortest text that reads back as exactly x (x finite).
    static std::string ExactDoubleText(double x);
    // Decimal, or with `hex` the "0x" form; negative values that fit in 32 bits are shown as
    // their 32-bit pattern.
    static std::string IntegerText(int64_t value, bool hex);
};

struct EnumEntry {
    std::string name;
    int32_t value = 0;
    uint32_t valid = 1;
};

class Param {
public:
    virtual ~Param() = default;
    Param(const Param&) = delete;
    Param& operator=(const Param&) = delete;

    virtual std::unique_ptr<Param> Clone() const = 0;

    virtual void SetEnumValue(int value);
    virtual void SetEnumIndex(int index);
    virtual void SetValue(const ParamValue& newValue);
    virtual void SetBool(bool newValue);
    virtual void SetDouble(double newValue);
    virtual void SetText(const std::string& newValue);
    virtual void SetText(const char* newValue);  // null is ignored
    virtual void SetUInt(unsigned newValue);
    virtual void SetInt64(int64_t newValue);
    // Taken as a 32-bit int, so that every build keeps the same value range.
    virtual void SetLong(long newValue);
    virtual void SetInt(int newValue);

    virtual int GetInt() const;
    virtual int64_t GetInt64() const;
    virtual double GetDouble() const;
    virtual bool GetBool() const;
    virtual const char* GetText() const;
    virtual const std::string& GetTextString() const;
    virtual int GetEnumIndex() const;
    virtual int GetEnumCount() const;
    virtual const EnumEntry& GetEnumEntry(int index) const;
    virtual void SetEnumEntries(const std::vector<std::string>& names);
    virtual void RangeText(std::string& out) const;
    virtual void WriteRange(std::ostream& out) const;

    const std::string& Name() const { return name; }
    int32_t Type() const { return type; }
    const char* TypeName() const { return TypeName(type); }
    static const char* TypeName(int32_t typeCode);

    const std::string& Section() const { return section; }
    const std::string& Description() const { return description; }
    const std::string& Unit() const { return unit; }
    void SetSection(const char* text);
    void SetDescription(const char* text);
    void SetUnit(const char* text);
    void SetSection(const std::string& text) { section = text; }
    void SetDescription(const std::string& text) { description = text; }
    void SetUnit(const std::string& text) { unit = text; }

    uint32_t Flags() const { return flags; }
    bool TestFlags(uint32_t mask) const { return (flags & mask) == mask; }
    void SetFlags(uint32_t mask) { flags |= mask; }
    void ClearFlags(uint32_t mask) { flags &= ~mask; }
    void ToggleFlags(uint32_t mask) { flags ^= mask; }
    bool IsEditable() const { return (flags & (FlagUnavailable | FlagReadOnly | FlagWriteOnly)) == 0; }

    const ParamValue& Value() const { return value; }
    ParamValue& Minimum() { return minimum; }
    ParamValue& Maximum() { return maximum; }
    ParamValue& Increment() { return increment; }
    const ParamValue& Minimum() const { return minimum; }
    const ParamValue& Maximum() const { return maximum; }
    const ParamValue& Increment() const { return increment; }

    int32_t Precision() const { return precision; }
    void SetPrecision(int32_t newPrecision);
    void SetHex(bool on);

    // Everything but name and type.
    void CopyFrom(const Param& other);

    // The text the ini file keeps: the shown one when it reads back as the same value, else
    // one that does. A float's shown text is rounded for display; stored, it would give the
    // camera the rounded value at the next open.
    std::string StoredText() const;

protected:
    // Throws std::invalid_argument for a null or empty name.
    Param(int32_t type, const char* name);

    // After CopyFrom changed `value`: classes that derive state from it follow.
    virtual void ValueCopied() {}

    // The text of a number view again, after its precision or hex changed.
    void Reformat(ParamValue& record) const;

    int32_t type;
    std::string name;
    std::string section;
    std::string description;
    std::string unit;
    int32_t precision = -1;
    uint32_t flags = 0;
    ParamValue value;
    ParamValue minimum;
    ParamValue maximum;
    ParamValue increment;
};

class ParamBool : public Param {
public:
    explicit ParamBool(const char* name) : Param(TypeBool, name) {}
    explicit ParamBool(const std::string& name) : ParamBool(name.c_str()) {}
    std::unique_ptr<Param> Clone() const override;
};

class ParamInt : public Param {
public:
    explicit ParamInt(const char* name) : Param(TypeInt, name) {}
    explicit ParamInt(const std::string& name) : ParamInt(name.c_str()) {}
    std::unique_ptr<Param> Clone() const override;
};

class ParamFloat : public Param {
public:
    explicit ParamFloat(const char* name) : Param(TypeFloat, name) {}
    explicit ParamFloat(const std::string& name) : ParamFloat(name.c_str()) {}
    std::unique_ptr<Param> Clone() const override;
};

class ParamString : public Param {
public:
    explicit ParamString(const char* name) : Param(TypeString, name) {}
    explicit ParamString(const std::string& name) : ParamString(name.c_str()) {}
    std::unique_ptr<Param> Clone() const override;
};

// A choice among named entries; `current` is the numeric value of the selection. Only names,
// indexes and integers select; bools, doubles and whole value records are ignored.
class ParamEnum : public Param {
public:
    explicit ParamEnum(const char* name) : Param(TypeEnum, name) {}
    explicit ParamEnum(const std::string& name) : ParamEnum(name.c_str()) {}
    std::unique_ptr<Param> Clone() const override;

    void SetEnumValue(int newValue) override { SelectByValue(newValue); }
    void SetEnumIndex(int index) override;
    void SetValue(const ParamValue&) override {}
    void SetBool(bool) override {}
    void SetDouble(double) override {}
    void SetText(const std::string& newValue) override;
    void SetText(const char* newValue) override;
    void SetUInt(unsigned newValue) override { SelectByValue(static_cast<int32_t>(newValue)); }
    void SetInt64(int64_t newValue) override { SelectByValue(static_cast<int32_t>(newValue)); }
    void SetLong(long newValue) override { SelectByValue(static_cast<int32_t>(newValue)); }
    void SetInt(int newValue) override { SelectByValue(newValue); }

    int GetInt() const override { return current; }
    int64_t GetInt64() const override { return current; }
    double GetDouble() const override { return 0.0; }
    bool GetBool() const override { return false; }
    const char* GetText() const override { return GetTextString().c_str(); }
    const std::string& GetTextString() const override;
    int GetEnumIndex() const override;
    int GetEnumCount() const override { return static_cast<int>(entries.size()); }
    const EnumEntry& GetEnumEntry(int index) const override;
    void SetEnumEntries(const std::vector<std::string>& names) override;

    // Replace the entries, then select the given value (or the old `current` again).
    void SetEntries(const std::vector<EnumEntry>& newEntries);
    void SetEntries(const std::vector<EnumEntry>& newEntries, int selectValue);
    const std::vector<EnumEntry>& Entries() const { return entries; }
    int32_t Current() const { return current; }

private:
    // `current` = v, or the first entry's value when no entry has v (-1 without entries).
    void SelectByValue(int32_t v);

    std::vector<EnumEntry> entries;
    EnumEntry emptyEntry;
    int32_t current = -1;
};

// An IPv4 address, first octet in the high byte. Texts and numbers that are not an address
// leave it unchanged.
class ParamIPAddress : public Param {
public:
    explicit ParamIPAddress(const char* name) : Param(TypeIP, name) {}
    explicit ParamIPAddress(const std::string& name) : ParamIPAddress(name.c_str()) {}
    std::unique_ptr<Param> Clone() const override;

    void SetValue(const ParamValue&) override {}
    void SetBool(bool) override {}
    void SetDouble(double) override {}
    void SetText(const std::string& newValue) override { Parse(newValue); }
    void SetText(const char* newValue) override;
    void SetUInt(unsigned newValue) override { SetAddress(newValue); }
    void SetInt64(int64_t newValue) override { SetAddress(static_cast<uint32_t>(newValue)); }
    void SetLong(long newValue) override { SetAddress(static_cast<uint32_t>(newValue)); }
    void SetInt(int newValue) override { SetAddress(static_cast<uint32_t>(newValue)); }

    int GetInt() const override { return static_cast<int32_t>(address); }
    int64_t GetInt64() const override { return static_cast<int64_t>(address); }
    double GetDouble() const override { return 0.0; }
    bool GetBool() const override { return false; }
    const char* GetText() const override { return addressText.c_str(); }
    const std::string& GetTextString() const override { return addressText; }

    uint32_t Address() const { return address; }

private:
    void Parse(const std::string& text);
    bool SetOctets(long a, long b, long c, long d);
    void SetAddress(uint32_t newAddress);

    uint32_t address = 0;
    std::string addressText = "0.0.0.0";
};

// Whitespace-separated numbers: `items` follows `value.text` after every change of it.
template <typename T>
class ParamVector : public Param {
public:
    explicit ParamVector(const char* name) : Param(TypeVector, name) {}
    explicit ParamVector(const std::string& name) : ParamVector(name.c_str()) {}

    std::unique_ptr<Param> Clone() const override
    {
        auto copy = std::make_unique<ParamVector<T>>(name);
        copy->CopyFrom(*this);
        copy->items = items;
        return copy;
    }

    void SetEnumValue(int newValue) override
    {
        Param::SetEnumValue(newValue);
        ParseItems();
    }
    void SetEnumIndex(int index) override
    {
        Param::SetEnumIndex(index);
        ParseItems();
    }
    void SetValue(const ParamValue& newValue) override
    {
        value.SetText(newValue.text);
        ParseItems();
    }
    void SetBool(bool) override {}
    void SetDouble(double) override {}
    void SetText(const std::string& newValue) override
    {
        value.SetText(newValue);
        ParseItems();
    }
    void SetText(const char* newValue) override
    {
        if (newValue == nullptr) return;
        value.SetText(newValue);
        ParseItems();
    }
    void SetUInt(unsigned) override {}
    void SetInt64(int64_t) override {}
    void SetLong(long) override {}
    void SetInt(int) override {}

    const std::vector<T>& Items() const { return items; }

protected:
    void ValueCopied() override { ParseItems(); }

private:
    void ParseItems();

    std::vector<T> items;
};

extern template class ParamVector<int>;

// Writes a parameter for log lines: name, flags, type and the value in its three views.
void DescribeParam(std::ostream& out, const Param& p);
std::string DescribeParam(const Param& p);

}  // namespace Util_2_1
