#pragma once
// The usage-statistics log. While `engine.stats` is on it collects records (a name and a set of
// text fields): the session's start, periodic updates and end, the machine's hardware, resource
// use, and the records game code adds for its own events. Every finished record is kept in memory
// and written to the log file as one line:
//
//     <name>\t<key>=<value>\t<key>=<value>...
//
// fields in key order, with '\\', tab, CR and LF in keys and values written as "\\\\", "\\t",
// "\\r" and "\\n". The file ("stats.txt" in the user-data folder, or "<key name>_stats.txt" on
// the desktop with `engine.stats.desktop`) is made on the first write and appended to, between a
// START and an END banner per run. While `engine.stats` is off every operation does nothing and
// no file is made.
//
// A record is written between BeginRecord and Flush, which hold the log's lock: records from
// different threads never mix, and every begun record must be flushed.
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/platform/ZCriticalSection.h"

class IFile;
class ZStatsLog;

extern ZPropertyBool g_engineStatsDesktop;
extern ZPropertyBool g_engineStatsServer;
extern ZPropertyBool g_engineStatsHwReported;
extern ZPropertyBool g_engineStatsHwForce;
extern ZPropertyText g_testerEmail;
extern ZPropertyText g_testerName;
// The session id of the running log (0 before one is made), for other code's reports.
extern uint32_t g_statsSessionId;

// A finished record.
struct SStatsRecord
{
    std::string name;
    std::map<std::string, std::string> fields;
};

// Fields that only other subsystems can give: the renderer's hardware description and texture
// memory, the controller and scene-tree counters. The game's services hand one to the log.
class IStatsSource
{
public:
    virtual ~IStatsSource() = default;
    // Adds the renderer's hardware description to the current "hardware" record.
    virtual void AddHardwareFields(ZStatsLog& log) { (void)log; }
    // Adds "controllers", "controllers-active", "texture-mem-used-mb", "texture-mem-high-mb",
    // "scenetree-nodes", "scenetree-active" and "scenetree-hidden" to a "resource-usage" record.
    virtual void AddResourceFields(ZStatsLog& log) { (void)log; }
};

// The TCP client of the reporter. It holds its endpoint but is never connected: no operation here
// opens a connection.
class ZTcpClient
{
public:
    static constexpr size_t kBufferSize = 65536;

    // Starts the socket layer (nothing to start on POSIX systems).
    ZTcpClient();
    // Closes the socket when there is one.
    ~ZTcpClient();
    ZTcpClient(const ZTcpClient&) = delete;
    ZTcpClient& operator=(const ZTcpClient&) = delete;

    // Switches the socket to non-blocking mode; false without a socket or on failure.
    bool SetNonBlocking();
    void Close();

    int GetSocket() const { return m_socket; }
    bool HasSocket() const { return m_socket >= 0; }
    bool IsConnected() const { return m_connected; }
    const std::string& GetHost() const { return m_host; }
    void SetHost(const char* host) { m_host = host ? host : ""; }
    uint16_t GetPort() const { return m_port; }
    void SetPort(uint16_t port) { m_port = port; }
    const std::string& GetError() const { return m_error; }

private:
    int m_socket = -1;
    uint16_t m_port = 9876;
    std::string m_host = "localhost";
    std::string m_error = "No Error";
    std::unique_ptr<char[]> m_buffer;
    bool m_connected = false;
};

// Holds where statistics would be reported; it opens no connection.
class ZStatsReporter
{
public:
    static constexpr const char* kHost = "stats.brannoch.invalid";
    static constexpr const char* kPath = "reportstats2.php";

    ZStatsReporter();

    const ZTcpClient& GetClient() const { return m_client; }
    const std::string& GetPath() const { return m_path; }

private:
    std::string m_host;
    std::string m_path;
    std::string m_extra;
    ZTcpClient m_client;
    ZCriticalSection m_lock;
    bool m_connected = true;
};

class ZStatsLog : public ZSingleton<ZStatsLog>
{
public:
    // Records kept in memory; the oldest go first past this (every record is in the file too).
    static constexpr size_t kMaxQueuedRecords = 1024;
    // A session end this long after the last resource snapshot takes a fresh one.
    static constexpr double kResourceSnapshotAge = 120.0;

    // The log path from the engine (see ChooseLogPath); reads "betatester.cfg" from the
    // user-data folder.
    ZStatsLog();
    // The given log path and tester file (either may be null).
    ZStatsLog(const char* logPath, const char* betaTesterPath);
    // The END banner when the file exists, then the file is closed.
    ~ZStatsLog();

    // "stats.txt" without an engine; with `engine.stats.desktop` the desktop folder + the
    // engine's key name + "_stats.txt"; otherwise the user-data folder + "stats.txt".
    static std::string ChooseLogPath();

    // Starts a record and takes the lock; false (and no lock) while statistics are off.
    bool BeginRecord(const char* name);
    // Fields of the current record; a key set twice keeps the last value. Ignored unless the
    // calling thread has begun a record.
    void SetText(const char* key, const char* text);
    void SetInt(const char* key, int64_t value);
    // As a standard stream formats a float by default (six significant digits, no trailing zeros).
    void SetFloat(const char* key, float value);
    // Stamps "timestamp", queues a copy, writes the record's line, empties it and releases the
    // lock. Does nothing unless the calling thread has begun a record.
    void Flush();

    void WriteSessionStart();
    void WriteSessionUpdate();
    void WriteSessionEnd();
    // A "resource-usage" record now.
    void WriteResourceUsage();

    // Appends the bytes to the log file (made on the first write, after its START banner); text
    // that cannot be written yet is kept and written first when the file opens.
    void WriteText(const char* bytes, size_t length);
    // At most 2047 characters.
    void WriteFormatted(const char* format, ...) __attribute__((format(printf, 2, 3)));

    void SetSource(IStatsSource* source) { m_source = source; }
    void SetGameName(const char* name) { m_gameName = name ? name : ""; }
    const std::string& GetGameName() const { return m_gameName; }
    const std::string& GetFilePath() const { return m_filePath; }
    bool HasFile() const { return m_file != nullptr; }
    uint32_t GetSessionId() const { return m_sessionId; }
    bool IsWritingSessionStart() const { return m_writing != 0; }
    const ZStatsReporter& GetReporter() const { return *m_reporter; }
    // A copy of the queued records, oldest first.
    std::deque<SStatsRecord> GetQueuedRecords();

    // One record's line, without its LF.
    static std::string FormatRecordLine(const SStatsRecord& record);

private:
    void Init(const std::string& logPath, const std::string& betaTesterPath);
    bool OwnsRecord() const { return m_owner.load() == std::this_thread::get_id(); }
    void SetField(const char* key, std::string value);
    void AddDiskFields();
    static double Now();

    std::string m_filePath;
    std::unique_ptr<IFile> m_file;
    std::string m_pending;
    SStatsRecord m_current;
    std::deque<SStatsRecord> m_queue;
    ZCriticalSection m_lock;
    std::atomic<std::thread::id> m_owner{};
    int m_depth = 0;
    std::string m_gameName = "no-game-defined";
    double m_sessionStart = 0.0;
    double m_lastSnapshot = 0.0;
    float m_lowestFreeMB = 1e38f;
    uint32_t m_sessionId = 0;
    uint8_t m_writing = 0;
    std::unique_ptr<ZStatsReporter> m_reporter;
    IStatsSource* m_source = nullptr;
};
