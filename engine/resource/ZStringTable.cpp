#include "engine/resource/ZStringTable.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <expat.h>

#include "engine/core/ZAllocBase.h"
#include "engine/fs/ZFile.h"

namespace
{
// A strings file is a few hundred kilobytes; anything far larger is not one.
constexpr int64_t kMaxXmlSize = 64 * 1024 * 1024;
} // namespace

// ---------------------------------------------------------------------------------------
// Pool

char* ZStringTable::Pool::Copy(const char* text, size_t length)
{
    const size_t need = length + 1;
    char* target = nullptr;
    if (need > kPoolSize)
    {
        // A text that fills a block on its own gets one, and the current block stays in use.
        target = static_cast<char*>(GetAllocHook()->Alloc(need));
        if (!target)
            return nullptr;
        m_blocks.push_back(target);
    }
    else
    {
        if (size_t(m_end - m_write) < need && !Grow(kPoolSize))
            return nullptr;
        target = m_write;
        m_write += need;
    }
    const size_t copied = text ? strnlen(text, length) : 0;
    if (copied)
        std::memcpy(target, text, copied);
    std::memset(target + copied, 0, need - copied);
    return target;
}

bool ZStringTable::Pool::Grow(size_t size)
{
    char* block = static_cast<char*>(GetAllocHook()->Alloc(size));
    if (!block)
        return false;
    m_blocks.push_back(block);
    m_write = block;
    m_end = block + size;
    return true;
}

void ZStringTable::Pool::Adopt(Pool& other)
{
    m_blocks.insert(m_blocks.end(), other.m_blocks.begin(), other.m_blocks.end());
    other.m_blocks.clear();
    other.m_write = other.m_end = nullptr;
}

void ZStringTable::Pool::Release()
{
    for (char* block : m_blocks)
        GetAllocHook()->Free(block);
    m_blocks.clear();
    m_write = m_end = nullptr;
}

// ---------------------------------------------------------------------------------------
// Loading

void ZStringTable::LoadState::File(const std::string& key, const char* text, size_t length)
{
    const char* copy = pool.Copy(text, length);
    if (!copy)
    {
        outOfMemory = true;
        return;
    }
    entries.insert_or_assign(key, copy);
}

void ZStringTable::OnStartElement(void* user, const char* name, const char** attributes)
{
    (void)name;
    auto* state = static_cast<LoadState*>(user);
    const char* key = nullptr;
    const char* value = nullptr;
    for (int i = 0; attributes && attributes[i]; i += 2)
    {
        if (std::strcmp(attributes[i], "key") == 0)
            key = attributes[i + 1];
        else if (std::strcmp(attributes[i], "value") == 0)
            value = attributes[i + 1];
    }
    // The attribute buffers are expat's and gone after this call: the key is kept as a copy.
    if (key)
    {
        state->keys.emplace_back(key);
        state->hasKey.push_back(true);
    }
    else
    {
        state->keys.push_back(state->keys.empty() ? std::string() : state->keys.back());
        state->hasKey.push_back(!state->hasKey.empty() && state->hasKey.back());
    }
    // A "value" only counts on an element that names its own key.
    if (key && value)
        state->File(state->keys.back(), value, std::strlen(value));
}

void ZStringTable::OnEndElement(void* user, const char* name)
{
    (void)name;
    auto* state = static_cast<LoadState*>(user);
    if (!state->keys.empty())
    {
        state->keys.pop_back();
        state->hasKey.pop_back();
    }
}

void ZStringTable::OnCharacterData(void* user, const char* text, int length)
{
    auto* state = static_cast<LoadState*>(user);
    // Expat hands one CDATA section over in several pieces (at every line break): they are joined.
    if (state->inCData && length > 0)
        state->cdata.append(text, size_t(length));
}

void ZStringTable::OnStartCData(void* user)
{
    auto* state = static_cast<LoadState*>(user);
    state->inCData = true;
    state->cdata.clear();
}

void ZStringTable::OnEndCData(void* user)
{
    auto* state = static_cast<LoadState*>(user);
    state->inCData = false;
    // Filed under the nearest enclosing element's key; a section outside any keyed element is dropped.
    if (!state->hasKey.empty() && state->hasKey.back())
        state->File(state->keys.back(), state->cdata.data(), state->cdata.size());
    state->cdata.clear();
}

uint32_t ZStringTable::LoadXml(IFile* file)
{
    m_lastError.clear();
    if (!file)
    {
        m_lastError = "no file";
        return 1;
    }
    const bool openedHere = !file->IsOpen();
    if (openedHere && file->Open() != 0)
    {
        m_lastError = "cannot be opened";
        return 1;
    }
    const int64_t size = file->GetSize();
    std::vector<char> buffer;
    if (size < 0 || size > kMaxXmlSize)
        m_lastError = "cannot be read";
    else
    {
        buffer.resize(size_t(size));
        if (size > 0 && file->ReadAll(buffer.data()) != 0)
            m_lastError = "cannot be read";
    }
    if (openedHere)
        file->Close();
    if (!m_lastError.empty())
        return 1;

    LoadState state;
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser)
    {
        m_lastError = "out of memory";
        return 1;
    }
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, &ZStringTable::OnStartElement, &ZStringTable::OnEndElement);
    XML_SetCharacterDataHandler(parser, &ZStringTable::OnCharacterData);
    XML_SetCdataSectionHandler(parser, &ZStringTable::OnStartCData, &ZStringTable::OnEndCData);
    // The whole file is the final buffer, so a file cut off inside an element or before its closing
    // root tag is an error like any other, never a shorter table.
    static const char kEmpty[1] = {0};
    const char* data = buffer.empty() ? kEmpty : buffer.data();
    if (XML_Parse(parser, data, int(buffer.size()), XML_TRUE) != XML_STATUS_OK)
    {
        char text[160];
        std::snprintf(text, sizeof text, "line %lu: %s",
                      static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                      XML_ErrorString(XML_GetErrorCode(parser)));
        m_lastError = text;
    }
    else if (state.outOfMemory)
        m_lastError = "out of memory";
    XML_ParserFree(parser);
    if (!m_lastError.empty())
        return 1;

    // Only a complete file replaces the table. Texts handed out before stay where they are.
    {
        ZSpinLockGuard guard(m_lock);
        m_entries.swap(state.entries);
        m_pool.Adopt(state.pool);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// Table

ZStringTable::ZStringTable() = default;

ZStringTable::~ZStringTable()
{
    ZSpinLockGuard guard(m_lock);
    m_entries.clear();
    m_pool.Release();
}

const char* ZStringTable::Add(const char* key, const char* text, size_t length)
{
    const char* copy;
    {
        ZSpinLockGuard guard(m_lock);
        copy = m_pool.Copy(text, length);
    }
    if (!copy || !key)
        return copy;
    {
        ZSpinLockGuard guard(m_lock);
        m_entries.insert_or_assign(std::string(key), copy);
    }
    return copy;
}

const char* ZStringTable::AddText(const char* text)
{
    if (!text)
        return nullptr;
    ZSpinLockGuard guard(m_lock);
    return m_pool.Copy(text, std::strlen(text));
}

const char* ZStringTable::Find(const char* key)
{
    if (!key)
        return nullptr;
    ZSpinLockGuard guard(m_lock);
    auto it = m_entries.find(std::string_view(key));
    return it == m_entries.end() ? nullptr : it->second;
}

const char* ZStringTable::GetText(const char* key)
{
    if (!key)
        return nullptr;
    if (const char* text = Find(key))
        return text;
    return Add(key, key, std::strlen(key));
}

const char* ZStringTable::FindWithDefault(const char* key)
{
    return key ? GetText(key) : nullptr;
}

const char* ZStringTable::FindFormat(const char* format, ...)
{
    if (!format)
        return nullptr;
    char key[kMaxFormattedKey + 1] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(key, sizeof key, format, args);
    va_end(args);
    return Find(key);
}

const char* ZStringTable::GetTextFormat(const char* format, ...)
{
    if (!format)
        return nullptr;
    char key[kMaxFormattedKey + 1] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(key, sizeof key, format, args);
    va_end(args);
    return GetText(key);
}

size_t ZStringTable::GetCount()
{
    ZSpinLockGuard guard(m_lock);
    return m_entries.size();
}
