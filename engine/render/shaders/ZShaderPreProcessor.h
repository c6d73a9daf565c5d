#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One engine constant that shader code may declare with "#extern". A table of
// them ends with an entry whose type is null.
struct ZShaderExternal
{
    const char* type;
    const char* name;
    uint32_t bit;
};

// Turns a file name (the include directory joined with the name) into the
// file's text; false when the file cannot be read. Unless one is set, the
// engine's file system reads the files, so names may carry mount aliases
// ("shaders:sprite.gls").
using ZShaderSourceReader = std::function<bool(const std::string& path, std::string& text)>;

// Expands a shader code file before the back end compiles it: "#include" of
// further files, "#ifdef" / "#ifndef" / "#else" / "#endif" over a list of
// defined names, and "#extern" declarations of engine constants; all other
// text passes through unchanged. The lexer and parser are generated from
// ZShaderPreProcessor.g.
class ZShaderPreProcessor
{
public:
    // Includes nest at most this deep, so a file that includes itself (directly
    // or through others) fails instead of recursing without end.
    static constexpr int kMaxIncludeDepth = 16;
    // Bracket groups nest at most this deep within one file; the parser
    // descends one level per group.
    static constexpr int kMaxGroupDepth = 256;

    ZShaderPreProcessor();

    void AddDefine(const std::string& name);
    // Compared without regard to ASCII case.
    bool IsDefined(const std::string& name) const;

    // The caller's table of known externs (may be null); it must outlive Process.
    void SetExternTable(const ZShaderExternal* table);
    // Records the bit of the (type, name) pair when the table knows it; both
    // are compared without regard to ASCII case.
    bool AddUsedExtern(const std::string& type, const std::string& name);

    // Replaces the file system as the source of file text; an empty reader
    // restores it.
    void SetSourceReader(ZShaderSourceReader reader);

    // Expands directory + fileName; "#include" names are joined to the same
    // directory. False on any failure (missing source or include file, syntax
    // error, includes nested too deep), with the reason in GetErrorText() and
    // no output. Lexical errors are only reported (GetWarnings()): the
    // offending character is skipped.
    bool Process(const std::string& directory, const std::string& fileName);

    const std::string& GetOutput() const { return m_output; }
    // Bits of the declared externs, in declaration order.
    const std::vector<uint32_t>& GetUsedExterns() const { return m_usedExterns; }
    uint32_t GetUsedExternMask() const;
    const std::string& GetErrorText() const { return m_errorText; }
    const std::vector<std::string>& GetWarnings() const { return m_warnings; }

    // Called from the generated parser and lexer.
    void AppendOutput(const std::string& text);
    bool IncludeFile(const std::string& name, int depth);
    void AddWarning(const std::string& text);
    void SetErrorText(const std::string& text) { m_errorText = text; }

private:
    std::string JoinPath(const std::string& name) const;
    bool ReadSource(const std::string& path, std::string& text) const;
    // Runs a lexer and parser over one file's text. Raises the ANTLR runtime's
    // exceptions; only Process catches them.
    void Run(const std::string& text, const std::string& path, int depth);

    std::vector<std::string> m_defines;
    std::string m_output;
    std::string m_includeDirectory;
    const ZShaderExternal* m_externs = nullptr;
    std::vector<uint32_t> m_usedExterns;
    std::string m_errorText;
    std::vector<std::string> m_warnings;
    ZShaderSourceReader m_reader;
};
