#pragma once
// Property text files: the small files that hold settings, one per line ("game:system.cfg", the
// user's "main.cfg", each player's "profile.txt"). A file is read into an ordered list of entries,
// applied to the settings by name, and written back so that the user's own lines, comments and keys
// that no setting knows survive.
//
// Format: plain 8-bit text, lines end at LF (a CR before it is trimmed), the text ends at the first
// NUL byte. Each line is one entry of key, value and comment:
//     key = value # comment
//     # comment line (a '=' after the first '#' belongs to the comment)
//     key value      (no '=' and no '#': key and value split at the first blank)
// Blanks and tabs around every field are trimmed. Values are the settings' text forms ("C" numbers),
// so a value cannot hold '#', CR or LF. Main thread only.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/ZNameId.h"

class IFile;
class ZProperty;

// One line of a property file.
struct SPropertyEntry
{
    std::string key;
    std::string value;
    std::string comment;

    bool operator==(const SPropertyEntry&) const = default;
};

// Splits one line (without its LF) into key, value and comment, all trimmed.
SPropertyEntry ParsePropertyLine(std::string_view line);
// The written form without the LF: key " = " value when there is a key, then " # " comment when
// there is a comment.
std::string FormatPropertyLine(const SPropertyEntry& entry);

class ZPropertyFile
{
public:
    ZPropertyFile();
    // Frees the entries; never saves.
    virtual ~ZPropertyFile();
    ZPropertyFile(const ZPropertyFile&) = delete;
    ZPropertyFile& operator=(const ZPropertyFile&) = delete;

    // Reads the file (the given path, else the stored one) into the text and the entries, and with
    // `apply` hands every keyed entry to the settings in file order. 0 on success; on failure the
    // entries and the loaded flag stay as they were.
    virtual int Load(const char* path = nullptr, bool apply = true);
    // Writes the file back when NeedsSave says the settings differ from it; with `rebuild` the text
    // is rebuilt from the settings (RebuildFromRegistry), else the entries are written as they are.
    // The new text goes to a temporary file in the same folder that replaces the old file only when
    // every write and the close succeeded. 0 when saved or nothing needed saving; 1 on any failure,
    // and the old file is then unchanged.
    virtual int Save(const char* path = nullptr, bool rebuild = true);
    // Opens `file` with `mode` (FILE_READ or FILE_WRITE) on the given path, else the stored path,
    // resolved through the mount table (writable places only for writing). 0 when the file is open.
    virtual int Open(IFile* file, uint32_t mode, const char* path);

    // Rebuilds the entries from the text.
    void Parse();
    // Gives every keyed entry to the property manager (current value only; listeners are told).
    void Apply();
    // True when saving would change what the file says: an entry changed by SetProfileName, a keyed
    // entry whose setting now holds
    // another value, or a saved setting of this file's group missing from the file that is not at
    // its default (or is always written).
    bool NeedsSave() const;
    // Rebuilds the text (and the entries) from the entries and the settings: known keys take their
    // setting's current text, other lines stay as they are, and saved settings of the group that
    // the file lacks are appended in name order when not at their default (or always written).
    void RebuildFromRegistry();
    // The first entry whose key equals `key` byte for byte, or null.
    SPropertyEntry* FindEntry(std::string_view key);
    const SPropertyEntry* FindEntry(std::string_view key) const;
    // Sets the value of "profile.name", appending that entry when there is none; the next Save
    // writes the change.
    void SetProfileName(const char* name);

    const std::string& GetText() const { return m_text; }
    void SetText(std::string text) { m_text = std::move(text); }
    const std::string& GetPath() const { return m_path; }
    void SetPath(const char* path) { m_path = path ? path : ""; }
    const std::vector<SPropertyEntry>& GetEntries() const { return m_entries; }
    bool IsLoaded() const { return m_loaded; }
    uint32_t GetGroup() const { return m_group; }
    void SetGroup(uint32_t group) { m_group = group; }

    // True when a value can be written and read back unchanged by this format.
    static bool IsStorableValue(std::string_view value);

protected:
    // Opens `file` on the plain or mount name `name`; shared by the file kinds.
    static int OpenResolved(IFile* file, uint32_t mode, const char* name);
    // The text of the entries as they stand.
    std::string FormatEntries() const;

    std::string m_text;
    std::string m_path;
    // The file the entries were last read from, for messages about them.
    std::string m_source;
    std::vector<SPropertyEntry> m_entries;
    bool m_loaded = false;
    // An entry was changed here since the file was last read or written.
    bool m_edited = false;
    uint32_t m_group = ZNameId::kNone;
};

// The user's "main.cfg": with no path given it lives in the user-data folder, or at "home:main.cfg"
// when that folder cannot be had. The stored path is not used.
class ZConfigFile : public ZPropertyFile
{
public:
    int Open(IFile* file, uint32_t mode, const char* path) override;
};
