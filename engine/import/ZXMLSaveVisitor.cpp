#include "engine/import/ZXMLSaveVisitor.h"

#include "engine/fs/ZStream.h"

std::string ZXMLSaveVisitor::Escape(const char* text)
{
    std::string out;
    if (!text)
        return out;
    for (const char* p = text; *p; ++p)
    {
        switch (*p)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        // Line breaks and tabs inside a value would be read back as blanks.
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        case '\t':
            out += "&#9;";
            break;
        default:
            out += *p;
        }
    }
    return out;
}

void ZXMLSaveVisitor::Put(const std::string& text)
{
    if (!m_stream || !m_stream->Write(text.data(), text.size()))
        m_failed = true;
}

void ZXMLSaveVisitor::Attribute(const char* name, const char* value)
{
    Put(std::string(" ") + (name ? name : "") + "=\"" + Escape(value) + "\"");
}

void ZXMLSaveVisitor::BeginElement(const char* propertyName, const char* elementName)
{
    std::string text = std::string("<") + (elementName ? elementName : "");
    if (propertyName)
        text += " property=\"" + Escape(propertyName) + "\"";
    Put(text);
    m_open.push_back(false);
}

void ZXMLSaveVisitor::CloseStartTag()
{
    SetStartTagClosed(true);
    Put(">\n");
}

void ZXMLSaveVisitor::EndElement(const char* propertyName, const char* elementName)
{
    (void)propertyName;
    const bool closed = IsStartTagClosed();
    if (!m_open.empty())
        m_open.pop_back();
    if (closed)
        Put(std::string("</") + (elementName ? elementName : "") + ">\n");
    else
        Put(" />\n");
}

void ZXMLSaveVisitor::SetStartTagClosed(bool closed)
{
    if (!m_open.empty())
        m_open.back() = closed;
}
