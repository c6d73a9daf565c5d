#pragma once
// The registry of settings by name, the "give" command setting and the settings manager.
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZStaticArray.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

// The handler behind a command setting: "setting" the command to a text runs it.
class ICommandListener
{
public:
    virtual ~ICommandListener() = default;
    // The command's name and its argument words.
    virtual void Execute(const char* command, const std::vector<std::string>& arguments) = 0;
    virtual bool IsDefault() const { return true; }
    virtual bool EqualsText(const char* text) const
    {
        (void)text;
        return false;
    }
    virtual void GetCurrentText(char* buffer, size_t size) const
    {
        if (buffer && size)
            buffer[0] = 0;
    }
};

// A setting whose text is a command line for its handler. Owned by the registry (flag kCommand).
class ZPropertyCommand : public ZProperty
{
public:
    // At most this many characters of a command text are split into arguments.
    static constexpr size_t kMaxText = 256;

    ZPropertyCommand(const char* name, ICommandListener* handler);

    // Splits the text (its first 256 characters) at blanks and tabs and runs the handler, also for
    // an empty text.
    bool SetFromText(const char* text, bool alsoDefault, bool notify) override;
    void GetText(char* buffer, size_t size) const override;
    void GetDefaultText(char* buffer, size_t size) const override;
    bool EqualsText(const char* text) const override;
    bool IsDefault() const override;
    void Reset(bool notify) override;
    Kind GetKind() const override { return Kind::Command; }

    const std::vector<std::string>& GetArguments() const { return m_arguments; }
    ICommandListener* GetHandler() const { return m_handler; }

private:
    std::vector<std::string> m_arguments;
    ICommandListener* m_handler;
};

class ZPropertyManager : public ZSingleton<ZPropertyManager>
{
public:
    using NameMap = std::map<std::string, ZProperty*, std::less<>>;

    // Built from the chain of every setting made so far; later settings add themselves.
    ZPropertyManager();
    // Deletes the command settings; other settings are statics and stay.
    ~ZPropertyManager();

    // Registers a setting under its name; the first setting of a name keeps it (false for the others).
    bool Add(ZProperty* property);
    // Unregisters a setting, only when its name is registered to that very object.
    void Remove(ZProperty* property);
    ZProperty* Find(std::string_view name) const;
    template <ZPropertyValue T> ZPropertyTempl<T>* FindTyped(std::string_view name) const
    {
        return dynamic_cast<ZPropertyTempl<T>*>(Find(name));
    }
    // Sets a registered setting from text and notifies; an unknown name is ignored. False when the
    // name is unknown or the text was not taken.
    bool SetByName(std::string_view name, const char* text, bool alsoDefault);
    // Every saved setting (flag kSaved) of the group, in name order.
    NameMap CollectGroup(uint32_t group) const;
    // Applies the words of the form --name=value (value optionally in ' or " quotes) as current and
    // default values; other words are skipped.
    void ApplyCommandLine(const char* const* words, int count);
    // Makes the "give" command setting for the handler, unless "give" is registered.
    ZPropertyCommand* AddCommand(ICommandListener* handler);

    const NameMap& GetAll() const { return m_properties; }

private:
    NameMap m_properties;
};

// Two related setting names.
struct SSettingRelation
{
    std::string name;
    std::string related;
};

// A fixed table of setting relations (nothing adds to it at present); cleared when made.
class ZSettingsManager : public ZSingleton<ZSettingsManager>, public ZStaticArray<SSettingRelation, 32>
{
public:
    ZSettingsManager() { Clear(); }
};
