#pragma once
// Mount aliases: "resources:mainmenu.xml" names mainmenu.xml in the places registered for
// the alias "resources", tried in registration order. A place is a folder (possibly written
// with another alias) or a path inside a zip archive ("archive#member").
//
// Case: aliases are stored and compared in lower case. The part of a name after its alias
// is lower-cased (content is authored in lower case and archive members are matched without
// case); the folder an alias points to keeps its case, since the Linux file system has it.
#include <cstdint>
#include <string>
#include <vector>

struct SMountEntry
{
    std::string name;    // the alias, lower case
    std::string path;    // folder, as given; may start with another alias; may be empty
    std::string archive; // zip archive name, as given; empty for a folder mount
    bool writable = true;
    uint32_t count = 1; // entries with this name; equal on every entry of the name
};

class ZMountTable
{
public:
    // The program-wide table, made on first request; it lives until the process ends.
    static ZMountTable* GetInstance();

    // Appends a place for the alias `name`; the alias is lower-cased.
    void AddMount(const char* name, const char* path, const char* archive = "", bool writable = true);
    // Re-points the first place of the alias; appends a writable folder place when the
    // alias has none yet. Earlier resolved names keep what they resolved to.
    void SetMount(const char* name, const char* path);

    // Resolves `name` into `out` through the place `index` of its alias (counting every
    // place, then skipping archive places when `writableOnly`). Nested aliases take their
    // first usable place. Returns the number of places of the alias; 0 and `out` = `name`
    // when the name has no alias or an unknown one. An unusable index leaves `out` = `name`.
    // No case change and no cleaning: see ResolveMountPath.
    int Resolve(std::string& out, const char* name, bool writableOnly = false, int index = 0) const;

    // In place: '\\' becomes '/', runs of '/' become one. An absolute path keeps its root.
    static void NormalizePath(std::string& text);

    const std::vector<SMountEntry>& GetEntries() const { return m_entries; }
    // Number of places of an alias (0 when unknown).
    int GetMountCount(const char* name) const;

    // Mount chains deeper than this are taken as a cycle and left unresolved.
    static constexpr int kMaxNesting = 16;
    // Aliases longer than this are never matched.
    static constexpr size_t kMaxAliasLength = 32;

private:
    bool ResolveNested(std::string& out, const std::string& name, bool writableOnly, int index, int depth,
                       int& count) const;

    std::vector<SMountEntry> m_entries;
};

// True when `name` begins with an alias: at least two characters before the first ':',
// none of them a slash (so "c:/x" and "/tmp/a:b" are plain paths).
bool HasMountAlias(const char* name);

// The entry all engine code uses: the part after the alias is lower-cased and stripped of
// leading slashes, the name is resolved, then cleaned (forward slashes, no doubled slash).
// A null table means the live file system's (else the program-wide one). Returns Resolve's
// count.
int ResolveMountPath(const ZMountTable* table, std::string& out, const char* name, bool writableOnly = false,
                     int index = 0);
