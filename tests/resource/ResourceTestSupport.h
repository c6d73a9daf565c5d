#pragma once
// A resource kind for the tests: it records what the manager and the loader do to it, can be told to
// fail at each step, and reads its file when it is file-backed.
#include <atomic>
#include <cstring>
#include <memory>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/resource/ZResource.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZResourcePath.h"

namespace restest
{
inline std::string FixtureFolder()
{
    return std::string(QV_FIXTURES) + "/resource";
}

class TestResource : public ZResourceType<TestResource>
{
    QV_TYPE_RECORD(TestResource, &ZResource::kTypeRecord)

public:
    explicit TestResource(const char* name = nullptr, uint16_t flags = 0)
    {
        SetName(name);
        SetFlags(flags);
    }
    ~TestResource() override
    {
        if (destroyed)
            *destroyed = true;
        if (heldOnUnload)
            heldOnUnload->Release();
    }

    int LoadSync() override
    {
        ++syncLoads;
        return failSync ? 1 : 0;
    }
    int LoadData() override
    {
        ++dataLoads;
        char name[32] = {};
        pthread_getname_np(pthread_self(), name, sizeof(name));
        loaderThreadName = name;
        if (onLoadData)
            onLoadData(this);
        // A failing load leaves something half-made behind, which the manager must clear.
        data = std::make_unique<std::string>("partial");
        if (failData)
            return 1;
        if (TestFlags(kResourceFileBacked))
        {
            IFile* file = GetSourceFile();
            if (!file)
                return 1;
            std::string content(size_t(file->GetSize()), '\0');
            if (file->ReadAll(content.data()) != 0)
                return 1;
            *data = content;
        }
        else
            *data = "loaded";
        return 0;
    }
    int UnloadData() override
    {
        ++unloads;
        data.reset();
        return 0;
    }
    int64_t GetMemorySize() const override { return data ? int64_t(data->size()) : 0; }
    int GetCost() override { return cost; }
    int OpenSource() override { return path.Open(); }
    int CloseSource() override
    {
        ++closes;
        return path.Close();
    }
    IFile* GetSourceFile() override { return path.GetFile(); }
    int PostLoad(bool) override
    {
        ++postLoads;
        return 0;
    }
    void FreeInPlace() override { ++freedInPlace; }

    ZResourcePath path;
    std::unique_ptr<std::string> data;
    bool failSync = false;
    std::atomic<bool> failData{false};
    int cost = 0;
    std::atomic<int> dataLoads{0};
    int syncLoads = 0;
    int unloads = 0;
    int closes = 0;
    int postLoads = 0;
    int freedInPlace = 0;
    std::string loaderThreadName;
    bool* destroyed = nullptr;
    // Released when this resource dies, as a material lets go of its texture.
    ZResource* heldOnUnload = nullptr;
    void (*onLoadData)(TestResource*) = nullptr;
};

// A kind of the meta family.
class TestMetaResource : public ZMetaResourceType<TestMetaResource>
{
    QV_TYPE_RECORD(TestMetaResource, &ZResource::kTypeRecord)

public:
    explicit TestMetaResource(const char* name) { SetName(name); }
    int LoadSync() override { return 0; }
    int UnloadData() override { return 0; }
    int64_t GetMemorySize() const override { return 0; }
};

// Records loaded events and the thread they came on.
class LoadLog : public ZResourceListener
{
public:
    void OnResourceLoaded(ZResource* resource) override
    {
        loaded.push_back(resource);
        serials.push_back(resource->GetSerial());
        threads.push_back(std::this_thread::get_id());
    }
    // Counted by serial: a later resource may reuse a freed one's address.
    size_t Count(const ZResource* resource) const
    {
        size_t n = 0;
        for (uint32_t serial : serials)
            n += serial == resource->GetSerial() ? 1 : 0;
        return n;
    }
    std::vector<ZResource*> loaded;
    std::vector<uint32_t> serials;
    std::vector<std::thread::id> threads;
};

// Every test starts with a fresh manager and a file system whose "testres" alias is the fixture
// folder; the manager goes (with every resource nobody holds) at the end.
class ResourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_table.AddMount("testres", FixtureFolder().c_str());
        m_fileSystem = std::make_unique<ZFileSystem>(&m_table);
        manager = ZResourceManager::GetInstance();
    }
    void TearDown() override
    {
        ZResourceManager::DestroyInstance();
        m_fileSystem.reset();
    }

    ZResourceManager* manager = nullptr;

private:
    ZMountTable m_table;
    std::unique_ptr<ZFileSystem> m_fileSystem;
};
} // namespace restest
