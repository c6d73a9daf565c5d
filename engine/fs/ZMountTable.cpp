#include "engine/fs/ZMountTable.h"

#include <cstring>

#include "engine/fs/ZFileSystem.h"

namespace
{
char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(const char* text)
{
    std::string out = text ? text : "";
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

// Splits "alias:rest". False for plain paths.
bool SplitAlias(const char* name, std::string* alias, const char** rest)
{
    if (!name)
        return false;
    const char* colon = std::strchr(name, ':');
    if (!colon || colon - name < 2)
        return false;
    for (const char* p = name; p < colon; ++p)
    {
        if (*p == '/' || *p == '\\')
            return false;
    }
    if (alias)
        alias->assign(name, colon);
    if (rest)
        *rest = colon + 1;
    return true;
}
} // namespace

bool HasMountAlias(const char* name)
{
    return SplitAlias(name, nullptr, nullptr);
}

ZMountTable* ZMountTable::GetInstance()
{
    static ZMountTable* table = new ZMountTable;
    return table;
}

void ZMountTable::AddMount(const char* name, const char* path, const char* archive, bool writable)
{
    SMountEntry entry;
    entry.name = Lower(name);
    entry.path = path ? path : "";
    entry.archive = archive ? archive : "";
    entry.writable = writable;
    uint32_t count = 1;
    for (SMountEntry& e : m_entries)
    {
        if (e.name == entry.name)
            count = ++e.count;
    }
    entry.count = count;
    m_entries.push_back(std::move(entry));
}

void ZMountTable::SetMount(const char* name, const char* path)
{
    std::string alias = Lower(name);
    for (SMountEntry& e : m_entries)
    {
        if (e.name == alias)
        {
            e.path = path ? path : "";
            return;
        }
    }
    AddMount(name, path, "", true);
}

int ZMountTable::GetMountCount(const char* name) const
{
    std::string alias = Lower(name);
    for (const SMountEntry& e : m_entries)
    {
        if (e.name == alias)
            return static_cast<int>(e.count);
    }
    return 0;
}

int ZMountTable::Resolve(std::string& out, const char* name, bool writableOnly, int index) const
{
    int count = 0;
    std::string text = name ? name : "";
    if (!ResolveNested(out, text, writableOnly, index, 0, count))
        out = text;
    return count;
}

// False only when the chain of aliases is too deep (a cycle); `out` is then undefined.
bool ZMountTable::ResolveNested(std::string& out, const std::string& name, bool writableOnly, int index,
                                int depth, int& count) const
{
    std::string alias;
    const char* rest = nullptr;
    count = 0;
    if (!SplitAlias(name.c_str(), &alias, &rest) || alias.size() > kMaxAliasLength)
    {
        out = name;
        return true;
    }
    if (depth >= kMaxNesting)
        return false;

    const SMountEntry* chosen = nullptr;
    int seen = 0;
    for (const SMountEntry& e : m_entries)
    {
        if (e.name != alias)
            continue;
        count = static_cast<int>(e.count);
        if (seen++ < index)
            continue;
        if (writableOnly && !e.writable)
            continue;
        chosen = &e;
        break;
    }
    if (!chosen)
    {
        out = name;
        return true;
    }

    int nestedCount = 0;
    if (!chosen->archive.empty())
    {
        std::string prefix = chosen->archive + "#";
        if (!chosen->path.empty())
            prefix += chosen->path + "/";
        std::string resolvedPrefix;
        if (!ResolveNested(resolvedPrefix, prefix, writableOnly, 0, depth + 1, nestedCount))
            return false;
        // The member part is not resolved again.
        out = resolvedPrefix + rest;
        return true;
    }
    if (!chosen->path.empty())
        return ResolveNested(out, chosen->path + "/" + rest, writableOnly, 0, depth + 1, nestedCount);
    return ResolveNested(out, rest, writableOnly, 0, depth + 1, nestedCount);
}

void ZMountTable::NormalizePath(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
    {
        if (c == '\\')
            c = '/';
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    text.swap(out);
}

int ResolveMountPath(const ZMountTable* table, std::string& out, const char* name, bool writableOnly,
                     int index)
{
    if (!table)
        table = ZFileSystem::GetCurrentMountTable();
    if (!name)
    {
        out.clear();
        return 0;
    }
    std::string alias;
    const char* rest = nullptr;
    int count;
    if (SplitAlias(name, &alias, &rest))
    {
        while (*rest == '/' || *rest == '\\')
            ++rest;
        std::string lowered = alias + ":" + Lower(rest);
        count = table->Resolve(out, lowered.c_str(), writableOnly, index);
    }
    else
    {
        count = table->Resolve(out, name, writableOnly, index);
    }
    ZMountTable::NormalizePath(out);
    return count;
}
