#pragma once
// The story file: a "story" element holding "paragraph" elements, each with "picture" and "event"
// children. The reader builds the paragraph records and links them by their next ids; the story
// screen shows them and fires their events.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/ZEventManager.h"
#include "engine/import/ZXMLImport.h"

// One page of the story. Texts start empty, flags false, links null until linked.
struct SStoryParagraph
{
    std::string id;
    std::string text;
    std::string title;
    std::string picturePath;
    std::string nextId;
    std::string nextIfNoId;
    SStoryParagraph* next = nullptr;
    SStoryParagraph* no = nullptr;
    SStoryParagraph* previous = nullptr;
    // Fired when the page is shown, when it is left, and on a yes or no answer.
    std::vector<std::unique_ptr<ZEvent>> events;
    std::vector<std::unique_ptr<ZEvent>> onExitEvents;
    std::vector<std::unique_ptr<ZEvent>> onYesEvents;
    std::vector<std::unique_ptr<ZEvent>> onNoEvents;
    bool required = false;
    bool question = false;
    bool once = false;
    std::string quest;
};

class IStoryImport : public IImport
{
public:
    // The paragraphs in file order, valid while the reader lives.
    virtual const std::vector<SStoryParagraph*>& GetParagraphs() const = 0;
};

class ZStoryXMLImport : public ZXMLImport, public IStoryImport
{
public:
    // Elements open at once; a deeper document is refused.
    static constexpr size_t kMaxDepth = 256;
    // Element kinds; names are matched without regard to case.
    enum Kind
    {
        kOther = 0,
        kStory = 1,
        kParagraph = 2,
        kText = 3,
        kTitle = 4,
        kPicture = 5,
        kEvent = 6,
    };

    ZStoryXMLImport() = default;
    ~ZStoryXMLImport() override;

    // Reads the file and links the paragraphs, also after a failure (paragraphs finished before an
    // XML error are kept); 0 on success, 1 when the file is missing or malformed.
    int ImportPath(ZResourcePath* path) override;
    // The same for a document already in memory.
    int ImportBuffer(const char* data, size_t size);
    const std::vector<SStoryParagraph*>& GetParagraphs() const override { return m_paragraphView; }

    void ResetImport() override;
    void SetupParser(XML_ParserStruct* parser) override;

    static Kind KindOf(const char* elementName);

private:
    struct Open
    {
        Kind kind;
        // Only elements that were read close anything; the others are passed over with their
        // attributes, and their children see the element around them.
        bool acted;
        // The innermost element that was read, this one included: what its children see.
        Kind context;
    };

    void StartElement(const char* name, const char** attributes);
    void EndElement();
    void StartCData();
    void EndCData();
    void CharacterData(const char* text, int length);
    Kind Parent() const;
    void BeginParagraph(const char** attributes);
    void AddEvent(const char** attributes);
    void Link();

    static void StartHandler(void* user, const char* name, const char** attributes);
    static void EndHandler(void* user, const char* name);
    static void CDataStartHandler(void* user);
    static void CDataEndHandler(void* user);
    static void CharacterHandler(void* user, const char* text, int length);

    std::vector<Open> m_stack;
    std::vector<std::unique_ptr<SStoryParagraph>> m_paragraphs;
    std::vector<SStoryParagraph*> m_paragraphView;
    std::unique_ptr<SStoryParagraph> m_current;
    bool m_inCData = false;
    std::string m_cdata;
};
