#pragma once
// One findable thing of a bonus-game location: a single object tied to one item sprite of the
// location's picture, or a group whose members are found one by one while the group takes one
// sidebar line with a count ("3 Coins"). Objects link to others: a group's members, what an object
// contains (found and hidden with it), what it obscures, what it is a kind of, and a template whose
// texts its label borrows. Level files are player-editable data, so every walk along these links
// stops after kMaxLinkDepth steps: a cycle ends instead of hanging the game.
//
// Objects live in a registry by name id for the whole run (GetHiddenObject); the level files
// refer to them by their keys "ho<n>_<item node name>".
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ZEntity.h"
#include "engine/core/ZNameId.h"

class ISaveVisitor;
class ZNode;

class ZHiddenObject : public ZEntity
{
    QV_TYPE_RECORD(ZHiddenObject, &ZEntity::kTypeRecord)

public:
    // Links are followed at most this deep; members, contents and templates beyond are ignored.
    static constexpr int kMaxLinkDepth = 16;
    // The registry holds at most this many objects; a file that names more is cut off (logged).
    static constexpr size_t kMaxObjects = 2048;
    // A group takes at most this many members.
    static constexpr size_t kMaxMembers = 64;

    ZHiddenObject() = default;

    // The registry: get or create by name (the serializer's find function). Null when the
    // registry is full or the name is null.
    static ZHiddenObject* Find(const char* name);
    static ZHiddenObject* Peek(uint32_t id);
    static size_t GetCount();
    // Empties the registry (the run's end; tests between cases).
    static void ReleaseAll();

    const char* GetName() const override { return m_name.c_str(); }
    uint32_t GetId() const { return m_id; }

    // The name, its id, the texts "hidden.<name>.name" and ".plural"; the label becomes the
    // singular text.
    void SetName(const char* name);
    // Attributes and nested objects of the level file (see the source for the table).
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor);
    void OnLoaded() {}

    // Back to the start of a level: not listed, needed 1, nothing found, node shown and pickable.
    void Reset();
    // n < 1 counts from the number of members. A group shows its first n members.
    void SetVisibleCount(int n);
    // Shown or hidden in the picture; a group passes it on, hiding hides what it contains too.
    void SetShown(bool shown);
    // A group shows its first needed members; a single object shows itself.
    void ShowNeeded();
    // In play (the hint may point at it); a group passes it to its first needed members.
    void SetHintable(bool on);
    // n < 1 counts from the number of members; the label follows.
    void SetNeeded(int n);
    void SetSlot(int slot);
    // A click found `clicked`: true when it counts for this object (or this group); `found` is
    // then the object whose count rose.
    bool TryFind(ZHiddenObject* clicked, ZHiddenObject*& found);
    // "2 Coins" while two or more remain, else the singular; "[ unknown ]" without texts.
    void UpdateLabel();
    // A member still to be found among the first visible ones, drawn at random; null if none.
    ZHiddenObject* PickHintMember();
    // This object, one it contains or one of its direct members.
    bool ContainsObject(const ZHiddenObject* object) const;
    // `object` is among the kinds this object is (its classes list).
    bool IsA(const ZHiddenObject* object) const;
    // The same asked of any member.
    bool MemberIsA(const ZHiddenObject* object) const;
    // Something in the picture can be clicked for it: its own item node, or a member's (depth-capped).
    bool IsFindable() const { return IsFindable(0); }

    void AddMember(ZHiddenObject* member);
    void AddContained(ZHiddenObject* object);
    void AddObscured(ZHiddenObject* object);
    void AddClass(ZHiddenObject* object);
    void SetTemplate(ZHiddenObject* object);

    const std::string& GetLabel() const { return m_label; }
    const char* GetSingular() const { return m_singular; }
    const char* GetPlural() const { return m_plural; }
    ZNode* GetNode() const { return m_node; }
    void SetNode(ZNode* node) { m_node = node; }
    int GetSlot() const { return m_slot; }
    bool IsShown() const { return m_shown; }
    bool IsMember() const { return m_isMember; }
    bool IsInPlay() const { return m_inPlay; }
    bool IsGroup() const { return m_isGroup; }
    int GetNeeded() const { return m_needed; }
    int GetVisible() const { return m_visible; }
    int GetFound() const { return m_found; }
    ZHiddenObject* GetTemplate() const { return m_template; }
    const std::vector<ZHiddenObject*>& GetMembers() const { return m_members; }
    const std::vector<ZHiddenObject*>& GetContained() const { return m_contains; }
    const std::vector<ZHiddenObject*>& GetContainedIn() const { return m_containedIn; }
    const std::vector<ZHiddenObject*>& GetObscures() const { return m_obscures; }
    const std::vector<ZHiddenObject*>& GetObscuredBy() const { return m_obscuredBy; }
    const std::vector<ZHiddenObject*>& GetClasses() const { return m_classes; }

private:
    void ResetAt(int depth);
    void SetShownAt(bool shown, int depth);
    void SetSlotAt(int slot, int depth);
    bool IsFindable(int depth) const;
    // The end of the template chain (this object without a template).
    const ZHiddenObject* TextSource() const;

    uint32_t m_id = ZNameId::kNone;
    std::string m_name;
    std::string m_label;
    const char* m_singular = nullptr;
    const char* m_plural = nullptr;
    ZNode* m_node = nullptr;
    int m_slot = -1;
    bool m_shown = true;
    bool m_isMember = false;
    bool m_inPlay = false;
    std::vector<ZHiddenObject*> m_contains;
    std::vector<ZHiddenObject*> m_obscures;
    std::vector<ZHiddenObject*> m_containedIn;
    std::vector<ZHiddenObject*> m_obscuredBy;
    std::vector<ZHiddenObject*> m_classes;
    std::vector<ZHiddenObject*> m_members;
    int m_needed = 1;
    int m_visible = 0;
    int m_found = 0;
    ZHiddenObject* m_template = nullptr;
    bool m_isGroup = false;
};

// The registry's get-or-create by name; null for a null name or a full registry.
ZHiddenObject* GetHiddenObject(const char* name);
