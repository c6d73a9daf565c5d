#pragma once
// Everything the game loads by name (textures, materials, fonts, primitives, sounds, play lists) is a
// ZResource: reference counted, named by a hashed id, held by a group. A resource loads either at
// once on the calling thread or in two halves: the slow half (LoadData: read and decode) on the
// resource loader thread, then a short main-thread half (PostLoad). Each kind derives from
// ZResourceType<T> or ZMetaResourceType<T>, which give the kind a group of its own, so any resource
// is found by kind and name.
//
// Threads: flags and load state pass between the main thread and the loader under the resource's
// exchange lock; the loader calls only OpenSource, LoadData, CloseSource and GetCost. Groups change on
// the main thread only.
#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/ZEntity.h"
#include "engine/core/ZEventProducer.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZSpinLock.h"
#include "engine/fs/ZReferenceCount.h"

class IFile;
class ZResource;
class ZResourceGroup;

// Resource flags word.
enum EResourceFlags : uint16_t
{
    kResourceLoaded = 0x1,
    kResourceFreeing = 0x4,      // set just before the manager deletes it
    kResourceManaged = 0x8,      // parked for unloading when its count falls to 0
    kResourceParked = 0x10,      // in the manager's unload list
    kResourceFreeInPlace = 0x20, // the manager calls FreeInPlace instead of deleting it
    kResourceKeep = 0x40,        // never unloaded by Unload or group unloading
    kResourceQueued = 0x80,      // handed to the loader thread
    kResourceAsync = 0x100,      // Load hands it to the loader thread
    kResourceFileBacked = 0x200, // the loader opens its source before LoadData and closes it after
    kResourcePostLoad = 0x400,   // needs PostLoad on the main thread after a background load
    kResourceDataReady = 0x800,  // kind-specific; cleared together with kResourceLoaded on unload
};

class ZResourceListener
{
public:
    virtual ~ZResourceListener() = default;
    virtual void OnResourceLoaded(ZResource* resource) = 0;
};

class ZResource : public ZEntity, public ZReferenceCount, public ZEventProducer<ZResourceListener>
{
    QV_TYPE_RECORD(ZResource, &ZEntity::kTypeRecord)

public:
    ZResource();
    // Leaves its group and every list of the manager that still names it. A kind must not be
    // destroyed while it is queued: the loader may be running its LoadData.
    ~ZResource() override;
    ZResource(const ZResource&) = delete;
    ZResource& operator=(const ZResource&) = delete;

    // The name, or "" when it has none.
    const char* GetName() const override;

    // The slow half, on the loader thread for asynchronous kinds. 0 on success.
    virtual int LoadData() { return 0; }
    // The synchronous half, always run by Load on the calling thread. 0 on success.
    virtual int LoadSync() = 0;
    // Releases what was loaded (also what a failed load left behind). 0 on success.
    virtual int UnloadData() = 0;
    // Bytes held in memory.
    virtual int64_t GetMemorySize() const = 0;
    // Load cost used for progress (the file size, for example). Called on both threads.
    virtual int GetCost() { return 0; }
    virtual int OpenSource() { return 0; }
    virtual int CloseSource() { return 0; }
    virtual IFile* GetSourceFile() { return nullptr; }
    virtual void FreeInPlace() {}
    // The main-thread half after a background load. 0 on success.
    virtual int PostLoad(bool flag)
    {
        (void)flag;
        return 0;
    }
    // Makes a loaded resource ready for use (a texture hands itself to the renderer).
    virtual void Prepare() {}
    virtual bool IsLoaded() const { return (GetFlags() & kResourceLoaded) != 0; }
    virtual bool IsFreedInPlace() const { return (GetFlags() & kResourceFreeInPlace) != 0; }

    // Reference counting. Release never deletes: a managed resource whose count reaches 0 is
    // parked and unloaded at the end of the frame unless AddRef revives it first.
    int AddRef() override;
    int Release() override;

    // Null is allowed (id 65535: the resource leaves its group's map but stays in its list).
    void SetName(const char* name);
    // Loads the resource unless it is loaded: at once, or queued to the loader for asynchronous
    // kinds. With `wait` an asynchronous load is waited for. 0 on success (or queued).
    int Load(bool wait = false);
    // 1 while queued; otherwise unloads a loaded resource without kResourceKeep. 0 on success.
    int Unload();
    // Tells every listener that the resource has loaded (unless muted).
    void FireLoaded();

    uint16_t GetFlags() const { return m_flags.load(std::memory_order_acquire); }
    bool TestFlags(uint16_t mask) const { return (GetFlags() & mask) != 0; }
    void SetFlags(uint16_t mask) { m_flags.fetch_or(mask, std::memory_order_acq_rel); }
    void ClearFlags(uint16_t mask) { m_flags.fetch_and(uint16_t(~mask), std::memory_order_acq_rel); }

    // The loader's copy of the flags, read under the exchange lock.
    uint16_t GetLoadState();
    ZSpinLock& GetExchangeLock() { return m_exchangeLock; }
    // Failed tries on the exchange lock so far.
    uint32_t GetLockWaits() const { return m_exchangeLock.GetContention(); }

    ZNameId GetNameId() const { return ZNameId::FromValue(m_nameId); }
    bool HasName() const { return m_hasName; }
    uint32_t GetContextId() const { return m_contextId; }
    void SetContextId(uint32_t id) { m_contextId = id; }
    uint32_t GetSerial() const { return m_serial; }
    ZResourceGroup* GetParent() const { return m_parent; }

private:
    friend class ZResourceGroup;
    friend class ZResourceManager;
    friend class ZResourceLoaderThread;

    ZResourceGroup* m_parent = nullptr;
    std::atomic<uint16_t> m_flags{0};
    uint16_t m_loadState = 0;
    ZSpinLock m_exchangeLock;
    std::string m_name;
    bool m_hasName = false;
    uint32_t m_nameId = ZNameId::kNone;
    uint32_t m_contextId = ZNameId::kNone;
    uint32_t m_serial = 0;
};

// A resource holding resources by name id; groups nest. Main thread only.
class ZResourceGroup : public ZResource
{
    QV_TYPE_RECORD(ZResourceGroup, &ZResource::kTypeRecord)

public:
    explicit ZResourceGroup(const char* name);
    // Unloads, then deletes the children nobody references; children still referenced are cut
    // loose (their parent link is cleared) so that nothing later reaches the dead group.
    ~ZResourceGroup() override;

    // A new group, added to `parent` when one is given.
    static ZResourceGroup* CreateGroup(const char* name, ZResourceGroup* parent);

    // Tells the current resource context, leaves any previous group, appends the resource and
    // enters it in the map when it has a name (the last added of a name wins).
    void Add(ZResource* resource);
    // Only when the resource's parent is this group or null.
    void Remove(ZResource* resource);
    // Own map first, then each child group in insertion order, recursively.
    ZResource* FindById(ZNameId id) const;
    ZResource* Find(const char* name) const { return FindById(ZNameId(name)); }

    const std::vector<ZResource*>& GetChildren() const { return m_children; }
    const std::vector<ZResourceGroup*>& GetChildGroups() const { return m_groups; }

    // Loads every child: child groups through their own LoadSync, others through Load, waited for.
    // 1 when any child failed (the others are loaded all the same).
    int LoadSync() override;
    // Child groups recursively; any other child that is loaded, not queued and not kept.
    int UnloadData() override;
    int64_t GetMemorySize() const override;

    // Deletes (or frees in place) every child with a count of 0. A referenced child goes to the back
    // of the list for another try; after three passes' worth of steps the rest are cut loose.
    // Children for which `keep` answers true stay in the group.
    void ReleaseChildren(bool (*keep)(const ZResource*) = nullptr);

    // Add without telling the current context: for the manager's own structural groups, which no
    // game state owns.
    void AddQuietly(ZResource* resource);

private:
    friend class ZResource;

    void Enter(ZResource* resource, bool tellContext);
    void Detach(ZResource* resource);
    // Re-enters a renamed child under its new id.
    void Rekey(ZResource* resource, uint32_t oldId);
    void EraseFromMap(ZResource* resource, uint32_t id);

    std::vector<ZResource*> m_children;
    std::unordered_map<uint32_t, ZResource*> m_map;
    std::vector<ZResourceGroup*> m_groups;
};

// Makes the group of one resource kind, placed under "resources" or "meta"; the group clears
// `slot` when it is destroyed, so the kind makes a new one on its next object.
ZResourceGroup* CreateKindGroup(const char* name, bool meta, ZResourceGroup** slot);

// Base of a resource kind T: one group per T, made with the first T; every T joins it.
template <class T, bool Meta> class ZResourceKind : public ZResource
{
public:
    // T's group, or null while no T was made.
    static ZResourceGroup* GetKindGroup() { return s_group; }
    static T* FindById(ZNameId id) { return s_group ? static_cast<T*>(s_group->FindById(id)) : nullptr; }
    static T* Find(const char* name) { return FindById(ZNameId(name)); }

protected:
    ZResourceKind()
    {
        if (!s_group)
            s_group = CreateKindGroup(T::kTypeRecord.name, Meta, &s_group);
        s_group->Add(this);
    }

private:
    static inline ZResourceGroup* s_group = nullptr;
};

template <class T> using ZResourceType = ZResourceKind<T, false>;
template <class T> using ZMetaResourceType = ZResourceKind<T, true>;

// Formats the name printf-style (at most 63 characters are used) and looks it up in the sound kind's
// group ("ZSound" under "meta"); null when that group does not exist or holds no such name.
ZResource* FindResourceByFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
