#pragma once
// Typed settings. Every tunable of the engine and the game, and every item of the player's earned
// data, is a setting object with a dotted lower-case name, a label, a description, flags, an optional
// group and, for numbers, a clamped range. Any library defines its settings as static objects:
//
//     static ZPropertyTempl<int> s_width("render.width", "Width", "Logical screen width",
//                                        ZProperty::kSaved, ZProperty::kNoGroup, 800, 4000, 640);
//
// They link themselves into ZInstanceChain<ZProperty> and, once it exists, the property manager (the
// registry by name). Files, the command line, the settings screens and the profile store read and
// write them by name as text; code that cares about a setting listens through IPropertyListener, and
// code that reads one every frame keeps the object and reads GetValue(). Main thread only.
#include "engine/core/ZEventProducer.h"
#include "engine/core/ZInstanceChain.h"
#include "engine/core/ZNameId.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

class ZProperty;

class IPropertyListener
{
public:
    virtual ~IPropertyListener() = default;
    // Called after the new value has been stored.
    virtual void OnPropertyChanged(ZProperty* property) { (void)property; }
};

class ZProperty : public ZEventProducer<IPropertyListener>, public ZInstanceChain<ZProperty>
{
public:
    // Flag bits.
    static constexpr uint32_t kSaved = 2;        // belongs in its group's file (main.cfg, or the profile)
    static constexpr uint32_t kCommand = 16;     // a ZPropertyCommand, owned and deleted by the registry
    static constexpr uint32_t kAlwaysWrite = 32; // written even while at its default value
    static constexpr uint32_t kNoGroup = ZNameId::kNone;

    enum class Kind
    {
        Bool,
        Int,
        Float,
        Text,
        Command
    };

    // `name`, `label` and `description` are not copied: they must outlive the setting.
    ZProperty(const char* name, const char* label, const char* description, bool clamp, uint32_t flags,
              uint32_t group);
    virtual ~ZProperty();
    ZProperty(const ZProperty&) = delete;
    ZProperty& operator=(const ZProperty&) = delete;

    // Parses the text by kind, clamps (when the clamp flag is set), stores, notifies when asked, and
    // then makes the value the default too when asked (listeners still see the old default). A text
    // that holds no number leaves an int or float setting unchanged and gives false; the empty text
    // reads as 0.
    virtual bool SetFromText(const char* text, bool alsoDefault, bool notify) = 0;
    // The current and the default value as text, cut to the buffer and always terminated.
    virtual void GetText(char* buffer, size_t size) const = 0;
    virtual void GetDefaultText(char* buffer, size_t size) const = 0;
    // The text, parsed, equals the current value (numbers exactly, without clamping).
    virtual bool EqualsText(const char* text) const = 0;
    virtual bool IsDefault() const = 0;
    virtual void Reset(bool notify) = 0;
    virtual Kind GetKind() const = 0;

    // The current and the default value as text of any length.
    std::string ToText() const;
    std::string DefaultToText() const;

    // Tells the listeners that the value changed (nothing while muted).
    void NotifyChanged();

    const char* GetName() const { return m_name; }
    const char* GetLabel() const { return m_label; }
    const char* GetDescription() const { return m_description; }
    uint32_t GetGroup() const { return m_group; }
    uint32_t GetFlags() const { return m_flags; }
    bool HasFlags(uint32_t flags) const { return (m_flags & flags) == flags; }
    bool IsClamped() const { return m_clamp != 0; }
    void SetClamp(bool clamp) { m_clamp = clamp ? 1 : 0; }

protected:
    const char* m_name;
    const char* m_description;
    const char* m_label;
    uint32_t m_group;
    uint32_t m_flags;
    uint8_t m_clamp;
};

template <class T>
concept ZPropertyValue = std::same_as<T, bool> || std::same_as<T, int32_t> || std::same_as<T, float> ||
    std::same_as<T, std::string>;

template <ZPropertyValue T> class ZPropertyTempl : public ZProperty
{
public:
    static constexpr bool kRanged = std::same_as<T, int32_t> || std::same_as<T, float>;

    // bool and text settings: default only, no clamping.
    ZPropertyTempl(const char* name, const char* label, const char* description, uint32_t flags,
                   uint32_t group, const T& defaultValue) requires(!kRanged)
        : ZProperty(name, label, description, false, flags, group), m_default(defaultValue),
          m_current(defaultValue)
    {
        if constexpr (std::same_as<T, bool>)
        {
            m_maximum = true;
            m_minimum = false;
        }
    }
    // int and float settings: default, maximum, minimum; clamped.
    ZPropertyTempl(const char* name, const char* label, const char* description, uint32_t flags,
                   uint32_t group, T defaultValue, T maximum, T minimum) requires(kRanged)
        : ZProperty(name, label, description, true, flags, group), m_default(defaultValue),
          m_current(defaultValue), m_maximum(maximum), m_minimum(minimum)
    {
    }

    bool SetFromText(const char* text, bool alsoDefault, bool notify) override;
    void GetText(char* buffer, size_t size) const override;
    void GetDefaultText(char* buffer, size_t size) const override;
    bool EqualsText(const char* text) const override;
    bool IsDefault() const override { return m_current == m_default; }
    void Reset(bool notify) override;
    Kind GetKind() const override;

    // Clamps (when the clamp flag is set), stores and always notifies.
    void SetValue(const T& value);

    const T& GetValue() const { return m_current; }
    const T& GetDefault() const { return m_default; }
    const T& GetMaximum() const { return m_maximum; }
    const T& GetMinimum() const { return m_minimum; }

private:
    T Clamp(const T& value) const;

    T m_default;
    T m_current;
    T m_maximum{};
    T m_minimum{};
};

extern template class ZPropertyTempl<bool>;
extern template class ZPropertyTempl<int32_t>;
extern template class ZPropertyTempl<float>;
extern template class ZPropertyTempl<std::string>;

using ZPropertyBool = ZPropertyTempl<bool>;
using ZPropertyInt = ZPropertyTempl<int32_t>;
using ZPropertyFloat = ZPropertyTempl<float>;
using ZPropertyText = ZPropertyTempl<std::string>;

// The settings' text forms, for code that reads or writes setting values outside a setting object.
// Numbers use the "C" forms whatever the process locale.
// int: decimal with leading blanks and a sign, saturated at the int32 limits; or, when the second
// character is 'x', up to 8 hexadecimal digits after the first two characters. False when the text
// holds no number; the empty text reads as 0.
bool ParseSettingInt(const char* text, int32_t* value);
// float: decimal (with leading blanks and a sign, exponent allowed); false when the text holds no
// number or is NaN; the empty text reads as 0.
bool ParseSettingFloat(const char* text, float* value);
// "true" exactly is true; every other text is false.
bool ParseSettingBool(const char* text);
// "%.1f" when ten times the value lies within 1/819.2 of a whole number, else "%.8f" ("2.5", "3.0",
// "0.69999999", "0.12500000").
std::string FormatSettingFloat(float value);
