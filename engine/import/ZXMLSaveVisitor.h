#pragma once
// The XML form of ISaveVisitor: writes elements and attributes to a stream. Attribute values are
// escaped (& < > " ') so that any text reads back unchanged, and are written whole.
#include <string>
#include <vector>

#include "engine/core/ZSerializer.h"

class ZStream;

class ZXMLSaveVisitor : public ISaveVisitor
{
public:
    explicit ZXMLSaveVisitor(ZStream* stream) : m_stream(stream) {}

    // " name=\"value\"".
    void Attribute(const char* name, const char* value) override;
    // "<element" or "<element property=\"name\"".
    void BeginElement(const char* propertyName, const char* elementName) override;
    // ">\n".
    void CloseStartTag() override;
    // " />\n" while the element's start tag is still open, else "</element>\n".
    void EndElement(const char* propertyName, const char* elementName) override;

    // Writers that drive the visitor themselves may set the flag of the innermost open element;
    // BeginElement and CloseStartTag keep it right on their own.
    void SetStartTagClosed(bool closed);
    bool IsStartTagClosed() const { return !m_open.empty() && m_open.back(); }

    // True once any write to the stream failed (the output is then incomplete).
    bool HasFailed() const { return m_failed; }

    // The text with & < > " ' replaced by their entities.
    static std::string Escape(const char* text);

private:
    void Put(const std::string& text);

    ZStream* m_stream;
    // Per open element: is its start tag closed?
    std::vector<bool> m_open;
    bool m_failed = false;
};
