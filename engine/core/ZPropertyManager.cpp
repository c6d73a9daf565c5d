#include "engine/core/ZPropertyManager.h"

#include <cstring>

// ---------------------------------------------------------------------------------------------------
// ZPropertyCommand

ZPropertyCommand::ZPropertyCommand(const char* name, ICommandListener* handler)
    : ZProperty(name, "", "", false, kCommand, kNoGroup), m_handler(handler)
{
}

bool ZPropertyCommand::SetFromText(const char* text, bool alsoDefault, bool notify)
{
    (void)alsoDefault;
    (void)notify;
    m_arguments.clear();
    if (text)
    {
        const std::string copy(text, strnlen(text, kMaxText));
        size_t i = 0;
        while (i < copy.size())
        {
            while (i < copy.size() && (copy[i] == ' ' || copy[i] == '\t'))
                ++i;
            const size_t start = i;
            while (i < copy.size() && copy[i] != ' ' && copy[i] != '\t')
                ++i;
            if (i > start)
                m_arguments.push_back(copy.substr(start, i - start));
        }
    }
    if (m_handler)
        m_handler->Execute(GetName(), m_arguments);
    return true;
}

void ZPropertyCommand::GetText(char* buffer, size_t size) const
{
    if (m_handler)
        m_handler->GetCurrentText(buffer, size);
    else if (buffer && size)
        buffer[0] = 0;
}

void ZPropertyCommand::GetDefaultText(char* buffer, size_t size) const
{
    if (buffer && size)
        buffer[0] = 0;
}

bool ZPropertyCommand::EqualsText(const char* text) const
{
    return m_handler && m_handler->EqualsText(text);
}

bool ZPropertyCommand::IsDefault() const
{
    return !m_handler || m_handler->IsDefault();
}

void ZPropertyCommand::Reset(bool notify)
{
    (void)notify;
}

// ---------------------------------------------------------------------------------------------------
// ZPropertyManager

ZPropertyManager::ZPropertyManager()
{
    for (ZProperty* p = ZInstanceChain<ZProperty>::Head(); p; p = p->NextInChain())
        Add(p);
}

ZPropertyManager::~ZPropertyManager()
{
    std::vector<ZProperty*> owned;
    for (auto& [name, property] : m_properties)
    {
        if (property->GetFlags() & ZProperty::kCommand)
            owned.push_back(property);
    }
    m_properties.clear();
    for (ZProperty* p : owned)
        delete p;
}

bool ZPropertyManager::Add(ZProperty* property)
{
    if (!property || !property->GetName())
        return false;
    return m_properties.emplace(property->GetName(), property).second;
}

void ZPropertyManager::Remove(ZProperty* property)
{
    if (!property)
        return;
    auto it = m_properties.find(std::string_view(property->GetName()));
    if (it != m_properties.end() && it->second == property)
        m_properties.erase(it);
}

ZProperty* ZPropertyManager::Find(std::string_view name) const
{
    auto it = m_properties.find(name);
    return it == m_properties.end() ? nullptr : it->second;
}

bool ZPropertyManager::SetByName(std::string_view name, const char* text, bool alsoDefault)
{
    ZProperty* property = Find(name);
    return property && property->SetFromText(text, alsoDefault, true);
}

ZPropertyManager::NameMap ZPropertyManager::CollectGroup(uint32_t group) const
{
    NameMap result;
    for (const auto& [name, property] : m_properties)
    {
        if ((property->GetFlags() & ZProperty::kSaved) && property->GetGroup() == group)
            result.emplace(name, property);
    }
    return result;
}

void ZPropertyManager::ApplyCommandLine(const char* const* words, int count)
{
    for (int i = 0; words && i < count; ++i)
    {
        const char* word = words[i];
        if (!word || word[0] != '-' || word[1] != '-')
            continue;
        const char* name = word + 2;
        const char* equals = std::strchr(name, '=');
        if (!equals || equals[1] == 0)
        {
            SetByName(name, "", true);
            continue;
        }
        std::string value;
        const char quote = equals[1];
        if (quote == '"' || quote == '\'')
        {
            const char* start = equals + 2;
            const char* close = std::strrchr(start, quote);
            value = close ? std::string(start, close) : std::string(start);
        }
        else
        {
            value = equals + 1;
        }
        SetByName(std::string_view(name, size_t(equals - name)), value.c_str(), true);
    }
}

ZPropertyCommand* ZPropertyManager::AddCommand(ICommandListener* handler)
{
    if (Find("give"))
        return nullptr;
    return new ZPropertyCommand("give", handler);
}
