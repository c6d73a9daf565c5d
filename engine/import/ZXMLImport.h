#pragma once
// The generic XML reader over expat. An importer reads one file whole, hands it to the parser in
// one final call and reports 0 when the document is well formed, 1 otherwise: a document cut off
// part way is an error, never a shorter document.
#include <cstddef>
#include <string>

class IFile;
class ZResourcePath;
struct XML_ParserStruct;

// The root interface of every importer.
class IImport
{
public:
    virtual ~IImport() = default;
    // Imports the file named by the path; 0 on success, 1 on failure.
    virtual int ImportPath(ZResourcePath* path) = 0;
};

class ZXMLImport
{
public:
    ZXMLImport() = default;
    virtual ~ZXMLImport() = default;
    ZXMLImport(const ZXMLImport&) = delete;
    ZXMLImport& operator=(const ZXMLImport&) = delete;

    // Forgets the file of the last import.
    virtual void ResetImport();
    // Keeps the file and parses it; 0 on success, 1 on failure. The file is closed afterwards.
    virtual int Import(IFile* file);
    // Opens the path's file, imports it and lets it go again; 1 when it cannot be opened.
    virtual int ImportPath(ZResourcePath* path);
    // Reads the kept file whole and parses it.
    virtual int Parse();
    // Installs the handlers on a new parser; the user data is the importer.
    virtual void SetupParser(XML_ParserStruct* parser);

    // Parses a document held in memory (the benchmark and callers with text already read).
    int ParseBuffer(const char* data, size_t size);

    // "<source>: <message> at line <n>" of the last failure; empty after a success.
    const std::string& GetLastError() const { return m_lastError; }
    // The name used in error texts (the path of the file being read).
    void SetSourceName(const std::string& name) { m_sourceName = name; }

protected:
    // Ends the running parse with an error from inside a handler (the reason goes to the error
    // text).
    void AbortParse(const char* reason);
    XML_ParserStruct* GetParser() const { return m_parser; }

    IFile* m_file = nullptr;
    XML_ParserStruct* m_parser = nullptr;

private:
    std::string m_lastError;
    std::string m_sourceName;
    std::string m_abortReason;
};
