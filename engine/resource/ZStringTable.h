#pragma once
// The localized text table: text key -> the text shown to the player. The engine makes the one
// table at start-up and fills it from the XML file named by `engine.strings`; every subsystem that
// shows words asks it by key, often with printf-style keys ("%s.name", "tip.%s.title"). An absent
// key is never an error: GetText adds it with itself as its text, so the key shows on screen.
//
// The XML: any element, at any depth, with a "key" attribute and either a "value" attribute or a
// CDATA section as its content (for texts with line breaks or markup characters). Texts are UTF-8.
//
// Texts live in one pool of large blocks and are never moved or freed one by one, so a returned
// pointer stays valid for the table's whole life. Any thread may use the table.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/core/ZSingleton.h"
#include "engine/core/ZSpinLock.h"

class IFile;

class ZStringTable : public ZSingleton<ZStringTable>
{
public:
    // Size of each pool block; a text longer than that gets a block of its own.
    static constexpr size_t kPoolSize = 0x40000;
    // Formatted keys are cut to this many characters.
    static constexpr size_t kMaxFormattedKey = 47;

    ZStringTable();
    ~ZStringTable();

    // Copies `length` bytes of `text` (stopping early at a 0 byte) into the pool with a 0 byte after
    // them and files the copy under `key` (replacing an earlier entry). A null key only copies.
    // Returns the copy; null only when memory runs out.
    const char* Add(const char* key, const char* text, size_t length);
    // A copy of the whole text kept for the table's life, under no key; null for a null text.
    const char* AddText(const char* text);
    // The text of `key`, or null. Adds nothing.
    const char* Find(const char* key);
    // The text of `key`; an absent key is added with itself as its text. Null only for a null key.
    const char* GetText(const char* key);
    // Null for a null key, otherwise GetText.
    const char* FindWithDefault(const char* key);
    // Find and GetText with a key formatted printf-style, cut to its first 47 characters.
    const char* FindFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* GetTextFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Reads the whole XML file (opening it when it is not open) and, when it parses to its end
    // without error, replaces the table's entries with the file's. 0 on success; 1 when the file
    // cannot be opened or read or is not well-formed XML (cut off included), and then the table is
    // exactly as it was.
    uint32_t LoadXml(IFile* file);

    size_t GetCount();
    // What went wrong in the last failed LoadXml, for a diagnostic line; empty after a success.
    const std::string& GetLastError() const { return m_lastError; }

private:
    // Blocks of text, each text followed by a 0 byte. Blocks are only released with the pool.
    class Pool
    {
    public:
        Pool() = default;
        ~Pool() { Release(); }
        Pool(const Pool&) = delete;
        Pool& operator=(const Pool&) = delete;

        // Copies up to `length` bytes (fewer at a 0 byte, the rest filled with 0) and a 0 byte.
        char* Copy(const char* text, size_t length);
        // Takes over every block of `other`, which is left empty.
        void Adopt(Pool& other);
        void Release();

    private:
        bool Grow(size_t need);

        std::vector<char*> m_blocks;
        char* m_write = nullptr;
        char* m_end = nullptr;
    };

    using KeyMap = std::map<std::string, const char*, std::less<>>;

    // What the element and CDATA callbacks build while one file is parsed.
    struct LoadState
    {
        Pool pool;
        KeyMap entries;
        // The key of each open element: its own "key" attribute, else the enclosing element's.
        std::vector<std::string> keys;
        std::vector<bool> hasKey;
        bool inCData = false;
        std::string cdata;
        bool outOfMemory = false;

        void File(const std::string& key, const char* text, size_t length);
    };
    static void OnStartElement(void* user, const char* name, const char** attributes);
    static void OnEndElement(void* user, const char* name);
    static void OnCharacterData(void* user, const char* text, int length);
    static void OnStartCData(void* user);
    static void OnEndCData(void* user);

    Pool m_pool;
    KeyMap m_entries;
    ZSpinLock m_lock;
    std::string m_lastError;
};
