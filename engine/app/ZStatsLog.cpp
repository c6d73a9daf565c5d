#include "engine/app/ZStatsLog.h"

#include "engine/core/ZUtil.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <locale>
#include <sstream>
#include <unistd.h>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZRandom.h"
#include "engine/fs/ZFile.h"
#include "engine/platform/ZPlatformSystem.h"
#include "engine/resource/ZPropertyFile.h"

ZPropertyBool g_engineStatsDesktop("engine.stats.desktop", "Put stats file on desktop",
                                   "Put stats file on desktop", 0, ZProperty::kNoGroup, false);
ZPropertyBool g_engineStatsServer("engine.stats.server", "Report stats directly to server",
                                  "Report stats directly to server", 0, ZProperty::kNoGroup, false);
ZPropertyBool g_engineStatsHwReported("engine.stats.hwreported", "Hardware has been reported",
                                      "Hardware has been reported",
                                      ZProperty::kSaved | ZProperty::kAlwaysWrite, ZProperty::kNoGroup,
                                      false);
ZPropertyBool g_engineStatsHwForce("engine.stats.hwforce", "Hardware is reported every time",
                                   "Hardware is reported every time",
                                   ZProperty::kSaved | ZProperty::kAlwaysWrite, ZProperty::kNoGroup, true);
ZPropertyText g_testerEmail("tester.email", "Email of tester", "Email of tester", ZProperty::kSaved,
                            ZProperty::kNoGroup, std::string());
ZPropertyText g_testerName("tester.name", "Name of tester", "Name of tester", ZProperty::kSaved,
                           ZProperty::kNoGroup, std::string());

uint32_t g_statsSessionId = 0;

namespace
{
// Text that waits for the file is bounded: a log that can never be opened must not grow forever.
constexpr size_t kMaxPendingBytes = 1024 * 1024;
constexpr double kBytesPerMB = 1048576.0;

void AppendEscaped(std::string& out, const std::string& text)
{
    for (char c : text)
    {
        switch (c)
        {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
}
} // namespace

// ---------------------------------------------------------------------------------------
// ZTcpClient and ZStatsReporter

ZTcpClient::ZTcpClient() : m_buffer(new char[kBufferSize]())
{
    // POSIX sockets need no start-up step.
}

ZTcpClient::~ZTcpClient()
{
    Close();
}

bool ZTcpClient::SetNonBlocking()
{
    if (m_socket < 0)
        return false;
    const int flags = fcntl(m_socket, F_GETFL, 0);
    if (flags < 0 || fcntl(m_socket, F_SETFL, flags | O_NONBLOCK) != 0)
    {
        m_error = "Cannot switch the socket to non-blocking mode";
        return false;
    }
    return true;
}

void ZTcpClient::Close()
{
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
    m_connected = false;
}

ZStatsReporter::ZStatsReporter()
{
    if (m_client.HasSocket())
        m_client.SetNonBlocking();
    m_client.SetHost(kHost);
    m_client.SetPort(80);
    m_host = kHost;
    m_path = kPath;
}

// ---------------------------------------------------------------------------------------
// ZStatsLog

double ZStatsLog::Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

std::string ZStatsLog::ChooseLogPath()
{
    if (!g_engine)
        return "stats.txt";
    std::string path;
    if (g_engineStatsDesktop.GetValue())
    {
        const std::string file = std::string(g_engine->GetKeyName()) + "_stats.txt";
        if (g_engine->GetDesktopFolder(path, nullptr, file.c_str()) == 0)
            return path;
    }
    if (g_engine->GetUserDataFolder(path, nullptr, "stats.txt") == 0)
        return path;
    return "stats.txt";
}

ZStatsLog::ZStatsLog()
{
    std::string tester;
    if (g_engine)
        g_engine->GetUserDataFolder(tester, nullptr, "betatester.cfg");
    Init(ChooseLogPath(), tester);
}

ZStatsLog::ZStatsLog(const char* logPath, const char* betaTesterPath)
{
    Init(logPath ? logPath : "", betaTesterPath ? betaTesterPath : "");
}

void ZStatsLog::Init(const std::string& logPath, const std::string& betaTesterPath)
{
    m_reporter = std::make_unique<ZStatsReporter>();
    m_filePath = logPath;
    m_sessionStart = Now();
    m_lastSnapshot = m_sessionStart;
    const uint32_t emailId = ZNameId(g_testerEmail.GetValue().c_str()).Value();
    m_sessionId = RandomNext() + uint32_t(std::time(nullptr)) + (emailId & 0xffff);
    g_statsSessionId = m_sessionId;
    // A tester's file may turn statistics on and name the tester.
    if (!betaTesterPath.empty() && FileExists(betaTesterPath.c_str()))
    {
        ZPropertyFile file;
        file.Load(betaTesterPath.c_str(), true);
    }
}

ZStatsLog::~ZStatsLog()
{
    if (m_file)
    {
        const std::string banner =
            "------------------------ END: " + GetDateTimeString() + " -----------------------------\n";
        m_file->Write(banner.data(), banner.size());
        m_file->Close();
        m_file.reset();
    }
    if (g_statsSessionId == m_sessionId)
        g_statsSessionId = 0;
}

bool ZStatsLog::BeginRecord(const char* name)
{
    if (!g_engineStats.GetValue())
        return false;
    m_lock.Enter();
    m_owner.store(std::this_thread::get_id());
    if (m_depth++ == 0)
        m_current = SStatsRecord{name ? name : "", {}};
    return true;
}

void ZStatsLog::SetField(const char* key, std::string value)
{
    if (!key || !OwnsRecord())
        return;
    m_current.fields[key] = std::move(value);
}

void ZStatsLog::SetText(const char* key, const char* text)
{
    SetField(key, text ? text : "");
}

void ZStatsLog::SetInt(const char* key, int64_t value)
{
    SetField(key, std::to_string(value));
}

void ZStatsLog::SetFloat(const char* key, float value)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << value;
    SetField(key, out.str());
}

void ZStatsLog::Flush()
{
    if (!OwnsRecord())
        return;
    if (--m_depth > 0)
    {
        m_lock.Leave();
        return;
    }
    m_current.fields["timestamp"] = GetDateTimeString();
    m_queue.push_back(m_current);
    if (m_queue.size() > kMaxQueuedRecords)
        m_queue.pop_front();
    const std::string line = FormatRecordLine(m_current) + "\n";
    WriteText(line.data(), line.size());
    m_current = SStatsRecord{};
    m_owner.store(std::thread::id());
    m_lock.Leave();
}

std::string ZStatsLog::FormatRecordLine(const SStatsRecord& record)
{
    std::string line;
    AppendEscaped(line, record.name);
    for (const auto& [key, value] : record.fields)
    {
        line += '\t';
        AppendEscaped(line, key);
        line += '=';
        AppendEscaped(line, value);
    }
    return line;
}

std::deque<SStatsRecord> ZStatsLog::GetQueuedRecords()
{
    ZCriticalSectionGuard guard(&m_lock);
    return m_queue;
}

void ZStatsLog::WriteText(const char* bytes, size_t length)
{
    if (!g_engineStats.GetValue() || (!bytes && length))
        return;
    ZCriticalSectionGuard guard(&m_lock);
    if (!m_file && !m_filePath.empty())
    {
        auto file = std::make_unique<ZFile>(m_filePath, FILE_APPEND);
        if (file->Open() == 0)
        {
            m_file = std::move(file);
            const std::string banner = "------------------------ START: " + GetDateTimeString() +
                                       " (Build Date: " + ZEngine::GetBuildStamp() +
                                       ") -----------------------------\n";
            m_file->Write(banner.data(), banner.size());
        }
    }
    if (!m_file)
    {
        if (m_pending.size() + length <= kMaxPendingBytes)
            m_pending.append(bytes, length);
        return;
    }
    if (!m_pending.empty())
    {
        m_file->Write(m_pending.data(), m_pending.size());
        m_pending.clear();
    }
    m_file->Write(bytes, length);
    m_file->Flush();
}

void ZStatsLog::WriteFormatted(const char* format, ...)
{
    if (!format)
        return;
    char buffer[2048];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    if (written < 0)
        return;
    WriteText(buffer, std::min(size_t(written), sizeof(buffer) - 1));
}

void ZStatsLog::AddDiskFields()
{
    uint64_t freeBytes = 0;
    uint64_t totalBytes = 0;
    if (!plat::GetDiskSpace(GetTempFolder(), freeBytes, totalBytes))
        return;
    SetText("tmp-disk-free-mb", FormatShort("%u", unsigned(freeBytes >> 20)).c_str());
    SetText("tmp-disk-total-mb", FormatShort("%u", unsigned(totalBytes >> 20)).c_str());
}

void ZStatsLog::WriteResourceUsage()
{
    if (!BeginRecord("resource-usage"))
        return;
    if (ZAllocBase* alloc = GetAllocHook())
    {
        SetText("mem-used-mb", FormatShort("%.2f", double(alloc->UsedBytes()) / kBytesPerMB).c_str());
        SetText("mem-high-mb", FormatShort("%.2f", double(alloc->PeakBytes()) / kBytesPerMB).c_str());
    }
    const float available = ZEngine::TrackLowestFreeMemory();
    SetText("mem-avail-mb", FormatShort("%.2f", double(available)).c_str());
    if (available >= 0.0f && available < m_lowestFreeMB)
        m_lowestFreeMB = available;
    SetText("mem-free-mb-lowest", FormatShort("%.2f", double(m_lowestFreeMB)).c_str());
    if (m_source)
        m_source->AddResourceFields(*this);
    AddDiskFields();
    Flush();
}

void ZStatsLog::WriteSessionStart()
{
    if (!g_engineStats.GetValue())
        return;
    m_writing = 1;
    if (BeginRecord("session"))
    {
        SetText("game", g_engine ? g_engine->GetKeyName() : m_gameName.c_str());
        SetText("build", g_engine ? ZEngine::GetBuildStamp().c_str() : "0000-00-00 00:00:00");
        SetFloat("engine-init", g_engine ? g_engine->GetStartupSeconds() : -1.0f);
        SetText("config", "gamerelease");
        SetText("platform", "linux");
        Flush();
    }
    if (!g_engineStatsHwReported.GetValue() || g_engineStatsHwForce.GetValue())
    {
        g_engineStatsHwReported.SetValue(true);
        if (BeginRecord("hardware"))
        {
            if (m_source)
                m_source->AddHardwareFields(*this);
            SetText("machine", ZEngine::GetCpuName().c_str());
            plat::MemoryStatus memory;
            if (plat::GetMemoryStatus(memory))
            {
                SetText("ram-mb", FormatShort("%.2f", double(memory.totalPhysical) / kBytesPerMB).c_str());
                SetText("free-ram-mb",
                        FormatShort("%.2f", double(memory.availablePhysical) / kBytesPerMB).c_str());
            }
            AddDiskFields();
            char os[128];
            GetOSName(os);
            SetText("os", os);
            SetText("is-admin", plat::IsUserAdmin() ? "yes" : "no");
            Flush();
        }
        WriteResourceUsage();
    }
    WriteSessionUpdate();
    m_writing = 0;
}

void ZStatsLog::WriteSessionUpdate()
{
    if (!BeginRecord("session-update"))
        return;
    SetFloat("length", float(Now() - m_sessionStart));
    SetFloat("engine-init", g_engine ? g_engine->GetStartupSeconds() : -1.0f);
    Flush();
}

void ZStatsLog::WriteSessionEnd()
{
    if (!g_engineStats.GetValue())
        return;
    const double now = Now();
    if (now - m_lastSnapshot > kResourceSnapshotAge)
    {
        m_lastSnapshot = now;
        WriteResourceUsage();
    }
    if (BeginRecord("session-end"))
    {
        SetFloat("length", float(now - m_sessionStart));
        SetFloat("engine-init", g_engine ? g_engine->GetStartupSeconds() : -1.0f);
        Flush();
    }
    WriteSessionUpdate();
}
