// The usage-statistics log: nothing at all while statistics are off; the session records, their
// fields and one line per record in the file; records from several threads never mix; the
// tester's file; the reporter that opens no connection.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZStatsLog.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/fs/ZFile.h"
#include "tests/support/ClockedScene.h"
#include "tests/support/TestFiles.h"

namespace
{
std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> QueuedNames(ZStatsLog& log)
{
    std::vector<std::string> names;
    for (const SStatsRecord& r : log.GetQueuedRecords())
        names.push_back(r.name);
    return names;
}

class StatsLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.empty());
        ZPropertyManager::GetInstance();
        ResetSettings();
    }
    void TearDown() override
    {
        ZStatsLog::DestroyInstance();
        ResetSettings();
    }
    static void ResetSettings()
    {
        for (ZProperty* p :
             std::initializer_list<ZProperty*>{&g_engineStats, &g_engineStatsHwReported,
                                               &g_engineStatsHwForce, &g_testerName, &g_testerEmail})
            p->Reset(false);
    }
    std::string LogPath() const { return m_dir + "/stats.txt"; }
    ZStatsLog* Make(const char* tester = nullptr) { return new ZStatsLog(LogPath().c_str(), tester); }

    qvtest::TempDir m_temp{"qv_stats"};
    std::string m_dir = m_temp.Path();
    qvtest::TestClock m_clock;
    ZFrameTimer& m_timer = m_clock.timer;
};
} // namespace

TEST_F(StatsLogTest, WithStatisticsOffNothingIsCollectedAndNoFileIsMade)
{
    ZStatsLog* log = Make();
    EXPECT_FALSE(log->BeginRecord("purchase"));
    log->SetText("item", "lamp");
    log->Flush();
    log->WriteSessionStart();
    log->WriteSessionUpdate();
    m_timer.now = 500.0;
    log->WriteSessionEnd();
    log->WriteText("x", 1);
    log->WriteFormatted("%d", 3);
    EXPECT_TRUE(log->GetQueuedRecords().empty());
    EXPECT_FALSE(g_engineStatsHwReported.GetValue());
    ZStatsLog::DestroyInstance();
    EXPECT_FALSE(FileExists(LogPath().c_str()));
}

TEST_F(StatsLogTest, ASessionWritesItsRecordsOneLineEachBetweenBanners)
{
    g_engineStats.SetValue(true);
    ZStatsLog* log = Make();
    EXPECT_FALSE(FileExists(LogPath().c_str())) << "the file is made on the first write";
    log->WriteSessionStart();
    EXPECT_TRUE(g_engineStatsHwReported.GetValue());
    EXPECT_EQ(QueuedNames(*log),
              (std::vector<std::string>{"session", "hardware", "resource-usage", "session-update"}));

    const SStatsRecord session = log->GetQueuedRecords().front();
    EXPECT_EQ(session.fields.at("game"), "no-game-defined");
    EXPECT_EQ(session.fields.at("build"), "0000-00-00 00:00:00");
    EXPECT_EQ(session.fields.at("engine-init"), "-1");
    EXPECT_EQ(session.fields.at("config"), "gamerelease");
    EXPECT_TRUE(session.fields.count("timestamp"));
    const SStatsRecord hardware = log->GetQueuedRecords()[1];
    for (const char* key : {"machine", "os", "is-admin"})
        EXPECT_TRUE(hardware.fields.count(key)) << key;

    m_timer.now = 60.0;
    log->WriteSessionEnd();
    EXPECT_EQ(QueuedNames(*log).size(), 6u) << "no resource snapshot within 120 seconds";
    EXPECT_EQ(log->GetQueuedRecords()[4].fields.at("length"), "60");
    m_timer.now = 200.5;
    log->WriteSessionEnd();
    EXPECT_EQ(QueuedNames(*log)[6], "resource-usage");

    ZStatsLog::DestroyInstance();
    const std::vector<std::string> lines = Lines(ReadWholeFile(LogPath()));
    ASSERT_EQ(lines.size(), 2u + 9u);
    EXPECT_EQ(lines.front().rfind("------------------------ START: ", 0), 0u);
    EXPECT_NE(lines.front().find("(Build Date: "), std::string::npos);
    EXPECT_EQ(lines[1].rfind("session\t", 0), 0u);
    EXPECT_NE(lines[1].find("\tconfig=gamerelease\t"), std::string::npos);
    EXPECT_EQ(lines.back().rfind("------------------------ END: ", 0), 0u);

    // The next run adds to the same file.
    log = Make();
    log->WriteSessionUpdate();
    ZStatsLog::DestroyInstance();
    EXPECT_EQ(Lines(ReadWholeFile(LogPath())).size(), 2u + 9u + 3u);
}

TEST_F(StatsLogTest, HardwareIsReportedOnceUnlessForced)
{
    g_engineStats.SetValue(true);
    g_engineStatsHwForce.SetValue(false);
    ZStatsLog* log = Make();
    log->WriteSessionStart();
    log->WriteSessionStart();
    EXPECT_EQ(QueuedNames(*log), (std::vector<std::string>{"session", "hardware", "resource-usage",
                                                           "session-update", "session", "session-update"}));
}

TEST_F(StatsLogTest, FieldsKeepTheirLastValueInKeyOrderAndLinesStayOneLine)
{
    g_engineStats.SetValue(true);
    ZStatsLog* log = Make();
    ASSERT_TRUE(log->BeginRecord("level-quit"));
    log->SetText("zone", "reef");
    log->SetInt("level", 3);
    log->SetInt("level", 4);
    log->SetFloat("time", 12.5f);
    log->SetFloat("ratio", 1.0f / 3.0f);
    log->SetText("note", "two\nlines\tand a \\");
    log->Flush();
    log->Flush(); // one too many: ignored

    const SStatsRecord record = log->GetQueuedRecords().back();
    EXPECT_EQ(record.fields.at("level"), "4");
    EXPECT_EQ(record.fields.at("time"), "12.5");
    EXPECT_EQ(record.fields.at("ratio"), "0.333333");
    const std::vector<std::string> lines = Lines(ReadWholeFile(LogPath()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, lines[1].find("\ttimestamp=")),
              "level-quit\tlevel=4\tnote=two\\nlines\\tand a \\\\\tratio=0.333333\ttime=12.5");
    EXPECT_LT(lines[1].find("\ttimestamp="), lines[1].find("\tzone=reef")) << "fields in key order";
    EXPECT_TRUE(lines[1].ends_with("\tzone=reef"));

    // Fields set without a begun record go nowhere.
    log->SetText("stray", "x");
    ASSERT_TRUE(log->BeginRecord("next"));
    log->Flush();
    EXPECT_EQ(log->GetQueuedRecords().back().fields.count("stray"), 0u);
}

TEST_F(StatsLogTest, RecordsFromSeveralThreadsNeverMix)
{
    g_engineStats.SetValue(true);
    ZStatsLog* log = Make();
    auto writer = [log](const char* name)
    {
        for (int i = 0; i < 200; ++i)
        {
            if (!log->BeginRecord(name))
                continue;
            log->SetText("who", name);
            log->SetInt("i", i);
            std::this_thread::yield();
            log->SetText("again", name);
            log->Flush();
        }
    };
    std::thread a(writer, "a");
    std::thread b(writer, "b");
    // A thread that never began a record cannot end another thread's.
    std::thread c(
        [log]
        {
            for (int i = 0; i < 200; ++i)
                log->Flush();
        });
    a.join();
    b.join();
    c.join();
    const auto records = log->GetQueuedRecords();
    ASSERT_EQ(records.size(), 400u);
    for (const SStatsRecord& r : records)
    {
        EXPECT_EQ(r.fields.at("who"), r.name);
        EXPECT_EQ(r.fields.at("again"), r.name);
    }
    EXPECT_EQ(Lines(ReadWholeFile(LogPath())).size(), 401u);
}

TEST_F(StatsLogTest, TheTesterFileCanTurnStatisticsOn)
{
    const std::string tester = m_dir + "/betatester.cfg";
    std::ofstream(tester) << "engine.stats = true\ntester.name = Ines\n";
    ZStatsLog* log = Make(tester.c_str());
    EXPECT_TRUE(g_engineStats.GetValue());
    EXPECT_EQ(g_testerName.GetValue(), "Ines");
    EXPECT_TRUE(log->BeginRecord("x"));
    log->Flush();
    EXPECT_EQ(g_statsSessionId, log->GetSessionId());
}

TEST_F(StatsLogTest, ALogThatCannotBeOpenedKeepsItsTextAndEndsCleanly)
{
    g_engineStats.SetValue(true);
    auto* log = new ZStatsLog((m_dir + "/missing/stats.txt").c_str(), nullptr);
    log->WriteSessionUpdate();
    EXPECT_FALSE(log->HasFile());
    EXPECT_EQ(log->GetQueuedRecords().size(), 1u);
    ASSERT_TRUE(CreateDirectoryTree((m_dir + "/missing").c_str()));
    log->WriteFormatted("%s\n", "late");
    ZStatsLog::DestroyInstance();
    const std::vector<std::string> lines = Lines(ReadWholeFile(m_dir + "/missing/stats.txt"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].rfind("session-update\t", 0), 0u) << "the waiting text comes first";
    EXPECT_EQ(lines[2], "late");
}

TEST_F(StatsLogTest, TheReporterHoldsItsEndpointAndOpensNoConnection)
{
    ZStatsLog* log = Make();
    const ZStatsReporter& reporter = log->GetReporter();
    EXPECT_EQ(reporter.GetClient().GetPort(), 80);
    EXPECT_EQ(reporter.GetClient().GetHost(), ZStatsReporter::kHost);
    EXPECT_EQ(reporter.GetPath(), "reportstats2.php");
    EXPECT_FALSE(reporter.GetClient().HasSocket());
    EXPECT_FALSE(reporter.GetClient().IsConnected());
    EXPECT_EQ(reporter.GetClient().GetError(), "No Error");

    ZTcpClient client;
    EXPECT_EQ(client.GetPort(), 9876);
    EXPECT_EQ(client.GetHost(), "localhost");
    EXPECT_FALSE(client.SetNonBlocking()) << "no socket to switch";
}

TEST_F(StatsLogTest, WithoutAnEngineTheLogIsInTheWorkingFolder)
{
    ASSERT_EQ(g_engine, nullptr);
    EXPECT_EQ(ZStatsLog::ChooseLogPath(), "stats.txt");
}
