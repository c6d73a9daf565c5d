#include "engine/import/ZStoryXMLImport.h"

#include <expat.h>
#include <strings.h>

#include "engine/core/ZUtil.h"

namespace
{
bool SameName(const char* a, const char* b)
{
    return a && b && strcasecmp(a, b) == 0;
}

// The value of the first attribute with that name in any case, or null.
const char* FindAttribute(const char** attributes, const char* name)
{
    for (const char** a = attributes; a && a[0]; a += 2)
        if (SameName(a[0], name))
            return a[1];
    return nullptr;
}

std::string Text(const char* value)
{
    return value ? std::string(value) : std::string();
}
} // namespace

ZStoryXMLImport::~ZStoryXMLImport() = default;

ZStoryXMLImport::Kind ZStoryXMLImport::KindOf(const char* name)
{
    static const struct
    {
        const char* name;
        Kind kind;
    } kKinds[] = {{"story", kStory}, {"paragraph", kParagraph}, {"text", kText},
                  {"title", kTitle}, {"picture", kPicture},     {"event", kEvent}};
    for (const auto& k : kKinds)
        if (SameName(name, k.name))
            return k.kind;
    return kOther;
}

int ZStoryXMLImport::ImportPath(ZResourcePath* path)
{
    const int result = ZXMLImport::ImportPath(path);
    Link();
    return result;
}

int ZStoryXMLImport::ImportBuffer(const char* data, size_t size)
{
    const int result = ParseBuffer(data, size);
    Link();
    return result;
}

void ZStoryXMLImport::ResetImport()
{
    ZXMLImport::ResetImport();
    m_current.reset();
    m_inCData = false;
}

void ZStoryXMLImport::SetupParser(XML_ParserStruct* parser)
{
    ZXMLImport::SetupParser(parser);
    // Every parse starts outside any element; a paragraph left open by an earlier broken file is
    // dropped rather than finished by this one.
    m_stack.clear();
    m_current.reset();
    m_inCData = false;
    m_cdata.clear();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, &StartHandler, &EndHandler);
    XML_SetCharacterDataHandler(parser, &CharacterHandler);
    XML_SetCdataSectionHandler(parser, &CDataStartHandler, &CDataEndHandler);
}

ZStoryXMLImport::Kind ZStoryXMLImport::Parent() const
{
    return m_stack.empty() ? kOther : m_stack.back().context;
}

void ZStoryXMLImport::StartElement(const char* name, const char** attributes)
{
    if (m_stack.size() >= kMaxDepth)
    {
        AbortParse("elements nested deeper than 256");
        return;
    }
    const Kind kind = KindOf(name);
    const Kind parent = Parent();
    bool acted = false;
    if (parent == kOther && kind == kStory)
        acted = true;
    else if (parent == kStory && kind == kParagraph)
    {
        BeginParagraph(attributes);
        acted = true;
    }
    else if (parent == kParagraph && m_current && kind == kPicture)
    {
        m_current->picturePath = Text(FindAttribute(attributes, "path"));
        acted = true;
    }
    else if (parent == kParagraph && m_current && kind == kEvent)
    {
        AddEvent(attributes);
        acted = true;
    }
    m_stack.push_back(Open{kind, acted, acted ? kind : parent});
}

void ZStoryXMLImport::EndElement()
{
    // Expat matches every end with its start, so the stack is never empty here.
    if (m_stack.empty())
        return;
    const Open open = m_stack.back();
    m_stack.pop_back();
    if (open.acted && open.kind == kParagraph && m_current)
    {
        m_paragraphView.push_back(m_current.get());
        m_paragraphs.push_back(std::move(m_current));
    }
}

void ZStoryXMLImport::BeginParagraph(const char** attributes)
{
    auto paragraph = std::make_unique<SStoryParagraph>();
    paragraph->id = Text(FindAttribute(attributes, "id"));
    paragraph->text = Text(FindAttribute(attributes, "text"));
    for (char& c : paragraph->text)
        if (c == '|')
            c = '\n';
    paragraph->title = Text(FindAttribute(attributes, "title"));
    paragraph->nextId = Text(FindAttribute(attributes, "next"));
    paragraph->nextIfNoId = Text(FindAttribute(attributes, "next_if_no"));
    paragraph->required = ParseBool(FindAttribute(attributes, "required"));
    paragraph->question = ParseBool(FindAttribute(attributes, "question"));
    paragraph->quest = Text(FindAttribute(attributes, "quest"));
    paragraph->once = FindAttribute(attributes, "once") != nullptr;
    m_current = std::move(paragraph);
}

void ZStoryXMLImport::AddEvent(const char** attributes)
{
    auto event = std::make_unique<ZEvent>();
    event->id = ZNameId(FindAttribute(attributes, "id"));
    event->time = 0.0;
    event->active = true;
    for (const char** a = attributes; a && a[0]; a += 2)
        if (std::string(a[0]) != "id")
            event->args.Set(a[0], a[1] ? a[1] : "");
    std::vector<std::unique_ptr<ZEvent>>* list = &m_current->events;
    if (FindAttribute(attributes, "onexit"))
        list = &m_current->onExitEvents;
    else if (FindAttribute(attributes, "onyes"))
        list = &m_current->onYesEvents;
    else if (FindAttribute(attributes, "onno"))
        list = &m_current->onNoEvents;
    list->push_back(std::move(event));
}

void ZStoryXMLImport::StartCData()
{
    m_inCData = true;
}

void ZStoryXMLImport::EndCData()
{
    m_inCData = false;
    if (m_current)
        m_current->text = TrimString(m_cdata.c_str());
    m_cdata.clear();
}

void ZStoryXMLImport::CharacterData(const char* text, int length)
{
    if (m_inCData && text && length > 0)
        m_cdata.append(text, size_t(length));
}

void ZStoryXMLImport::Link()
{
    auto find = [this](const std::string& id) -> SStoryParagraph*
    {
        for (SStoryParagraph* q : m_paragraphView)
            if (q->id == id)
                return q;
        return nullptr;
    };
    for (SStoryParagraph* p : m_paragraphView)
    {
        if (!p->nextId.empty())
            if ((p->next = find(p->nextId)))
                p->next->previous = p;
        if (!p->nextIfNoId.empty())
            if ((p->no = find(p->nextIfNoId)))
                p->no->previous = p;
    }
}

void ZStoryXMLImport::StartHandler(void* user, const char* name, const char** attributes)
{
    static_cast<ZStoryXMLImport*>(user)->StartElement(name, attributes);
}

void ZStoryXMLImport::EndHandler(void* user, const char*)
{
    static_cast<ZStoryXMLImport*>(user)->EndElement();
}

void ZStoryXMLImport::CDataStartHandler(void* user)
{
    static_cast<ZStoryXMLImport*>(user)->StartCData();
}

void ZStoryXMLImport::CDataEndHandler(void* user)
{
    static_cast<ZStoryXMLImport*>(user)->EndCData();
}

void ZStoryXMLImport::CharacterHandler(void* user, const char* text, int length)
{
    static_cast<ZStoryXMLImport*>(user)->CharacterData(text, length);
}
