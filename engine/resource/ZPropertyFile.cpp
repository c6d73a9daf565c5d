#include "engine/resource/ZPropertyFile.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "engine/core/ZPropertyManager.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZStream.h"
#include "engine/fs/ZUserDataFolder.h"

namespace
{
bool IsTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(std::string_view text)
{
    size_t end = text.size();
    while (end > 0 && IsTrimmed(text[end - 1]))
        --end;
    size_t start = 0;
    while (start < end && IsTrimmed(text[start]))
        ++start;
    return std::string(text.substr(start, end - start));
}

// The setting's current text when the file can hold it; false otherwise (the file then keeps what
// it had, rather than a value that would read back as something else).
bool StorableText(const ZProperty& property, std::string& text)
{
    text = property.ToText();
    return ZPropertyFile::IsStorableValue(text);
}

bool WrittenEvenAtDefault(const ZProperty& property)
{
    return (property.GetFlags() & ZProperty::kAlwaysWrite) != 0;
}
} // namespace

SPropertyEntry ParsePropertyLine(std::string_view line)
{
    SPropertyEntry entry;
    const size_t hash = line.find('#');
    const size_t equals = line.find('=');
    if (hash != std::string_view::npos)
        entry.comment = Trim(line.substr(hash + 1));
    if (equals != std::string_view::npos)
    {
        if (hash == std::string_view::npos || equals < hash)
        {
            entry.key = Trim(line.substr(0, equals));
            const size_t valueEnd = hash == std::string_view::npos ? line.size() : hash;
            entry.value = Trim(line.substr(equals + 1, valueEnd - equals - 1));
        }
    }
    else if (hash == std::string_view::npos)
    {
        const std::string trimmed = Trim(line);
        const size_t blank = trimmed.find_first_of(" \t");
        if (blank == std::string::npos)
            entry.key = trimmed;
        else
        {
            entry.key = trimmed.substr(0, blank);
            entry.value = Trim(std::string_view(trimmed).substr(blank + 1));
        }
    }
    return entry;
}

std::string FormatPropertyLine(const SPropertyEntry& entry)
{
    std::string line;
    if (!entry.key.empty())
        line = entry.key + " = " + entry.value;
    if (!entry.comment.empty())
        line += " # " + entry.comment;
    return line;
}

bool ZPropertyFile::IsStorableValue(std::string_view value)
{
    return value.find_first_of("#\r\n") == std::string_view::npos &&
           value.find('\0') == std::string_view::npos;
}

ZPropertyFile::ZPropertyFile() = default;

ZPropertyFile::~ZPropertyFile() = default;

int ZPropertyFile::Open(IFile* file, uint32_t mode, const char* path)
{
    if (!file)
        return 1;
    const char* name = path ? path : (m_path.empty() ? nullptr : m_path.c_str());
    file->SetFlags(mode);
    if (file->IsOpen())
        return 0;
    return OpenResolved(file, mode, name);
}

int ZPropertyFile::OpenResolved(IFile* file, uint32_t mode, const char* name)
{
    if (!name || !*name)
        return 1;
    std::string resolved;
    const bool writing = (mode & FILE_WRITABLE_MASK) != 0;
    ResolveMountPath(ZFileSystem::GetCurrentMountTable(), resolved, name, writing);
    // A name whose alias no place serves names nothing on disk.
    if (resolved.empty() || HasMountAlias(resolved.c_str()))
        return 1;
    return file->Open(resolved.c_str()) == 0 ? 0 : 1;
}

int ZPropertyFile::Load(const char* path, bool apply)
{
    ZFile file;
    const int status = Open(&file, FILE_READ, path);
    if (status != 0)
        return status;
    const int64_t size = file.GetSize();
    // Settings files are a few kilobytes; anything vast is not one.
    constexpr int64_t kMaxSize = 16 * 1024 * 1024;
    if (size < 0 || size > kMaxSize)
        return 1;
    std::string text(size_t(size), '\0');
    if (size > 0 && file.ReadAll(text.data()) != 0)
        return 1;
    m_source = file.GetPath() ? file.GetPath() : "";
    file.Close();
    text.resize(std::strlen(text.c_str()));

    m_text = std::move(text);
    Parse();
    m_edited = false;
    if (apply)
        Apply();
    m_loaded = true;
    return 0;
}

void ZPropertyFile::Parse()
{
    m_entries.clear();
    std::string_view rest = m_text;
    while (!rest.empty())
    {
        const size_t end = rest.find('\n');
        if (end == std::string_view::npos)
        {
            m_entries.push_back(ParsePropertyLine(rest));
            break;
        }
        m_entries.push_back(ParsePropertyLine(rest.substr(0, end)));
        rest.remove_prefix(end + 1);
    }
}

void ZPropertyFile::Apply()
{
    ZPropertyManager* manager = ZPropertyManager::GetInstance();
    for (const SPropertyEntry& entry : m_entries)
    {
        if (entry.key.empty())
            continue;
        ZProperty* property = manager->Find(entry.key);
        if (property && !property->SetFromText(entry.value.c_str(), false, true))
        {
            // The setting keeps the value it had; whoever edited the file learns which line.
            const std::string kept = property->ToText();
            std::fprintf(stderr, "%s: \"%s = %s\" is not a valid value; keeping %s\n",
                         m_source.empty() ? m_path.c_str() : m_source.c_str(),
                         entry.key.c_str(), entry.value.c_str(), kept.c_str());
        }
    }
}

bool ZPropertyFile::NeedsSave() const
{
    if (m_edited)
        return true;
    const ZPropertyManager* manager = ZPropertyManager::GetInstance();
    std::string text;
    for (const SPropertyEntry& entry : m_entries)
    {
        if (entry.key.empty())
            continue;
        const ZProperty* property = manager->Find(entry.key);
        if (property && !property->EqualsText(entry.value.c_str()) && StorableText(*property, text))
            return true;
    }
    // A setting that the file already holds with its current value is no reason to write.
    for (const auto& [name, property] : manager->CollectGroup(m_group))
    {
        if (FindEntry(name))
            continue;
        if ((!property->IsDefault() || WrittenEvenAtDefault(*property)) && StorableText(*property, text))
            return true;
    }
    return false;
}

void ZPropertyFile::RebuildFromRegistry()
{
    const ZPropertyManager* manager = ZPropertyManager::GetInstance();
    ZPropertyManager::NameMap pending = manager->CollectGroup(m_group);
    std::string text;
    for (SPropertyEntry& entry : m_entries)
    {
        if (entry.key.empty())
            continue;
        const ZProperty* property = manager->Find(entry.key);
        if (!property)
            continue;
        const bool keepOwn = property->IsDefault() && property->EqualsText(entry.value.c_str()) &&
                             !WrittenEvenAtDefault(*property);
        if (!keepOwn && StorableText(*property, text))
            entry.value = text;
        pending.erase(entry.key);
    }
    // Appended as entries too, so that the list keeps matching the file it was written to.
    for (const auto& [name, property] : pending)
    {
        if (property->IsDefault() && !WrittenEvenAtDefault(*property))
            continue;
        if (StorableText(*property, text))
            m_entries.push_back(SPropertyEntry{name, text, std::string()});
    }
    m_text = FormatEntries();
}

std::string ZPropertyFile::FormatEntries() const
{
    std::string text;
    for (const SPropertyEntry& entry : m_entries)
    {
        text += FormatPropertyLine(entry);
        text += '\n';
    }
    return text;
}

int ZPropertyFile::Save(const char* path, bool rebuild)
{
    if (!NeedsSave())
        return 0;
    if (rebuild)
        RebuildFromRegistry();
    else
        m_text = FormatEntries();

    // Until the new text is safely in place, the entries no longer say what the file holds.
    m_edited = true;
    ZSafeFileStream file(nullptr);
    const int status = Open(&file, FILE_WRITE, path);
    if (status != 0)
        return status;
    if (file.Commit(m_text) != ZSafeFileStream::ECommit::Done)
        return 1;
    m_edited = false;
    return 0;
}

SPropertyEntry* ZPropertyFile::FindEntry(std::string_view key)
{
    for (SPropertyEntry& entry : m_entries)
        if (entry.key == key)
            return &entry;
    return nullptr;
}

const SPropertyEntry* ZPropertyFile::FindEntry(std::string_view key) const
{
    for (const SPropertyEntry& entry : m_entries)
        if (entry.key == key)
            return &entry;
    return nullptr;
}

void ZPropertyFile::SetProfileName(const char* name)
{
    const std::string value = name ? name : "";
    if (SPropertyEntry* entry = FindEntry("profile.name"))
    {
        if (entry->value == value)
            return;
        entry->value = value;
    }
    else
        m_entries.push_back(SPropertyEntry{"profile.name", value, std::string()});
    m_edited = true;
}

int ZConfigFile::Open(IFile* file, uint32_t mode, const char* path)
{
    if (!file)
        return 1;
    file->SetFlags(mode);
    if (file->IsOpen())
        return 0;
    if (path)
        return OpenResolved(file, mode, path);
    std::string name;
    if (GetUserDataFolder(name, nullptr, "main.cfg") != 0)
        name = "home:main.cfg";
    return OpenResolved(file, mode, name.c_str());
}
