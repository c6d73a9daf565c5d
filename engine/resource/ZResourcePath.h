#pragma once
// A resource's file name ("resources:textures/wave.png"), parsed once and resolved through the
// mount table, with the file it has open while the loader reads it.
#include <string>

class IFile;

class ZResourcePath
{
public:
    ZResourcePath() = default;
    explicit ZResourcePath(const char* name) { Parse(name); }
    explicit ZResourcePath(const std::string& name) { Parse(name.c_str()); }
    // A copy never shares the open file: it gets a closed file of the same path and flags, or none.
    ZResourcePath(const ZResourcePath& other);
    ZResourcePath& operator=(const ZResourcePath& other);
    virtual ~ZResourcePath();

    // Stores the name lower-cased, resolves it and takes the file name: the text after the last
    // '/', else after the ':', else the whole name. Parsing again replaces everything.
    void Parse(const char* name);

    // Opens the file through the file system (closing any held one first); 0 when it is open.
    int Open();
    // 0 when an open file was closed; 1 when nothing was open. The held file is released always.
    int Close();

    // Text after the last '.' of the file name; empty when it has none.
    std::string GetExtension() const;

    const std::string& GetName() const { return m_name; }
    const std::string& GetResolvedPath() const { return m_resolved; }
    const std::string& GetFileName() const { return m_fileName; }
    IFile* GetFile() const { return m_file; }
    bool IsOpen() const;

private:
    void ReleaseFile();

    IFile* m_file = nullptr;
    std::string m_name;
    std::string m_resolved;
    std::string m_fileName;
    std::string m_extra;
};
